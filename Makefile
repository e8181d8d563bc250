# The two commands: 'make test' and 'make serve'; 'make tamber' starts the service manager. BUILD_DIR defaults to ./build.
#   make serve [PORT=8090] [ROOT=dir] [CODEPAGE=65001]   (the sample site on 8080 by default)
.PHONY: test serve build clean tamber screenshot

test:
	@scripts/test.sh

serve:
	@PORT="$(PORT)" ROOT="$(ROOT)" CODEPAGE="$(CODEPAGE)" scripts/serve.sh

tamber:
	@scripts/tamber.sh

screenshot:
	@scripts/screenshot.sh

build:
	@bash -c 'source scripts/env.sh && scripts/bootstrap.sh "$$build" && configure_and_build'

clean:
	rm -rf build
