<%@ Language="JScript" CodePage=65001 %>
<!--#include file="header.inc"-->
<%
// A field the request does not have is an empty collection: read it only when it came.
var message = Request.Form("message").Count > 0 ? String(Request.Form("message")) : "";
%>
<h1>A posted form</h1>
<p>Type anything, in any script: the page runs in UTF-8 (code page 65001).</p>
<form method="post" action="form.asp">
  <input name="message" value="<%= Server.HTMLEncode(message) %>">
  <button type="submit">Send</button>
</form>
<% if (Request.ServerVariables("REQUEST_METHOD") == "POST") { %>
<p>You sent: <%= Server.HTMLEncode(message) %> (<%= message.length %> UTF-16 units)</p>
<% } %>
<!--#include file="footer.inc"-->
