<%
' No CodePage directive: the server's default code page (65001) applies. The first
' visit sets a cookie and lets the browser type the text and submit the form; the
' posted page shows what arrived, one line each.
text = Request.Form("m")
If Request.ServerVariables("REQUEST_METHOD") <> "POST" Then Response.Cookies("typed") = Request.QueryString("t")
%><!DOCTYPE html>
<html><head><meta charset="utf-8"></head><body>
<% If Request.ServerVariables("REQUEST_METHOD") = "POST" Then %>
<pre id="result">form <%= Server.HTMLEncode(text) %>
length <%= Len(text) %>
url <%= Server.URLEncode(text) %>
cookie <%= Request.Cookies("typed") %>
query <%= Request.QueryString("t") %>
</pre>
<% Else %>
<form id="f" method="post" action="utf8form.asp?t=<%= Server.URLEncode(Request.QueryString("t")) %>">
<input name="m" id="m"></form>
<script>
document.getElementById('m').value = 'na\u00efve \u20ac5 \u65e5\u672c\u8a9e \ud83d\ude00';
document.getElementById('f').submit();
</script>
<% End If %>
</body></html>
