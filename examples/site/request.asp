<%@ Language="VBScript" CodePage=65001 %>
<!--#include file="header.inc"-->
<h1>The Request object</h1>
<p>What the browser sent, as a page reads it. Try
<a href="request.asp?city=Z%C3%BCrich&amp;city=%E5%8C%97%E4%BA%AC&amp;empty=">two cities</a>.</p>

<h2>Request.QueryString</h2>
<p>The whole query: <code><%= Server.HTMLEncode(Request.QueryString) %></code></p>
<table>
<tr><th>name</th><th>value (joined with ", ")</th><th>Count</th></tr>
<% For Each name In Request.QueryString
     If name <> "" Then ' an empty query string is one field without a name %>
<tr><td><%= Server.HTMLEncode(name) %></td>
<td><%= Server.HTMLEncode(Request.QueryString(name)) %></td>
<td><%= Request.QueryString(name).Count %></td></tr>
<%   End If
   Next %>
</table>

<h2>Request.Form</h2>
<form method="post" action="request.asp?city=Paris">
  <input name="note" value="héllo wörld">
  <button type="submit">Post it</button>
</form>
<% If Request.Form.Count > 0 Then %>
<p>note = <%= Server.HTMLEncode(Request.Form("note")) %>; the raw body was
<code><%= Server.HTMLEncode(Request.Form) %></code> (<%= Request.TotalBytes %> bytes)</p>
<% End If %>
<p>Request("city") looks through QueryString, Form, Cookies and ServerVariables in turn:
<%= Server.HTMLEncode(Request("city")) %></p>

<h2>Request.Cookies</h2>
<ul>
<% For Each name In Request.Cookies %>
<li><%= Server.HTMLEncode(name) %> = <%= Server.HTMLEncode(Request.Cookies(name)) %></li>
<% Next %>
</ul>
<p>(<a href="response.asp?action=cookie">response.asp</a> sets one.)</p>

<h2>Request.ServerVariables</h2>
<table>
<% For Each name In Array("REQUEST_METHOD", "URL", "QUERY_STRING", "REMOTE_ADDR", "SERVER_NAME", "SERVER_PORT", "HTTP_USER_AGENT", "SERVER_SOFTWARE") %>
<tr><td><%= name %></td><td><%= Server.HTMLEncode(Request.ServerVariables(name)) %></td></tr>
<% Next %>
</table>
<!--#include file="footer.inc"-->
