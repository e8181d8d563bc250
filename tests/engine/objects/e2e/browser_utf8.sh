#!/usr/bin/env bash
# A UTF-8 site as a browser uses it: isapi-host.exe gives pages without a CodePage
# directive 65001 (--codepage), and headless Chromium types "naive €5 日本語 😀" (with a
# diaeresis) into a form and submits it; the page answers it back through the form, a
# cookie, the query string, Server.HTMLEncode and Server.URLEncode.
#   browser_utf8.sh ISAPI_HOST_EXE VELLUM_DLL
set -euo pipefail

source "$(dirname "$0")/browser_lib.sh" "$@" --codepage 65001

text='naïve €5 日本語 😀'
escaped='na%C3%AFve+%E2%82%AC5+%E6%97%A5%E6%9C%AC%E8%AA%9E+%F0%9F%98%80'

load_result "$base/utf8form.asp?t=$escaped"
check "form field" "$text" "$(line form)"
check "length in characters" "15" "$(line length)"
check "Server.URLEncode" "$escaped" "$(line url)"
check "cookie" "$text" "$(line cookie)"
check "query string" "$text" "$(line query)"

# The exact bytes on the wire, without a browser in between.
check "HTMLEncode bytes" "$(printf 'form &lt;%s&gt;' "$text" | od -An -tx1 | tr -d ' \n')" \
  "$(curl -s --max-time 30 -H 'Content-Type: application/x-www-form-urlencoded' \
      --data "m=%3C$escaped%3E" "$base/utf8form.asp" | sed -n 's/.*<pre id="result">//p' | tr -d '\n' |
     od -An -tx1 | tr -d ' \n')"

finish_checks
