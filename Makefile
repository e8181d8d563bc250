# The two commands: 'make test' and 'make serve'. BUILD_DIR defaults to ./build.
.PHONY: test serve build clean

test:
	@scripts/test.sh

serve:
	@scripts/serve.sh

build:
	@bash -c 'source scripts/env.sh && scripts/bootstrap.sh "$$build" && configure_and_build'

clean:
	rm -rf build
