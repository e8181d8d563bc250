// ViewHooks: what a refresh and the commands leave to the view that owns the list:
// filling the file-information columns and sorting the rows by the chosen column.
#pragma once

class ViewHooks {
 public:
  virtual ~ViewHooks() = default;

  // Fills the file-information columns when they are shown and answers the index of
  // the first of them, or 0 when they are hidden.
  virtual int FillFileInfo() = 0;
  // Sorts the rows by the current sort column and direction.
  virtual void SortRows() = 0;
};
