// Holds nothing: the library exists for its version resource.
