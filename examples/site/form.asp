<%@ Language="JScript" %>
<!--#include file="header.inc"-->
<h1>A posted form</h1>
<form method="post" action="form.asp">
  <input name="message" value="<%= Server.HTMLEncode(String(Request.Form("message"))) %>">
  <button type="submit">Send</button>
</form>
<% if (Request.ServerVariables("REQUEST_METHOD") == "POST") { %>
<p>You sent: <%= Server.HTMLEncode(String(Request.Form("message"))) %></p>
<% } %>
<!--#include file="footer.inc"-->
