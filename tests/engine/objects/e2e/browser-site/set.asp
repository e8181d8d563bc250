<%
' Cookies with a value, sub-keys and each attribute; the script below reads them back
' through the browser's cookie jar.
Session("from") = "set"
Response.Cookies("plain") = "v1"
Set multi = Response.Cookies("multi")
multi.Item("x") = "1"
multi.Item("y") = "2"
Response.Cookies("persist") = "kept"
Set persist = Response.Cookies("persist")
persist.Expires = DateSerial(2099, 1, 1)
Response.Cookies("gone") = "old"
Set gone = Response.Cookies("gone")
gone.Expires = DateSerial(2001, 1, 1)
Response.Cookies("scoped") = "s"
Set scoped = Response.Cookies("scoped")
scoped.Path = "/sub"
Response.Cookies("foreign") = "f"
Set foreign = Response.Cookies("foreign")
foreign.Domain = "example.com"
%><!DOCTYPE html>
<html><body><pre id="result"></pre>
<script>
function get(path) {
  var request = new XMLHttpRequest();
  request.open('GET', path, false);
  request.send();
  return request.status + ' ' + request.responseText.replace(/\s+$/, '');
}
document.getElementById('result').textContent = [
  'root ' + get('/echo.asp'),
  'sub ' + get('/sub/echo.asp'),
  'redirect ' + get('/redirect.asp'),
  'script ' + document.cookie.split('; ').sort().filter(function (c) { return c.indexOf('SESSIONID=') != 0; }).join('; ')
].join('\n');
</script>
</body></html>
