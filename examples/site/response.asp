<%@ Language="VBScript" CodePage=65001 %>
<%
' Actions that change the head must come before any output leaves the buffer.
Select Case Request.QueryString("action") & ""
  Case "redirect"
    Response.Redirect "default.asp"
  Case "status"
    Response.Status = "404 Not Found"
  Case "cookie"
    Response.Cookies("greeting") = "grüß dich, 你好"
  Case "text"
    Response.ContentType = "text/plain"
    Response.Charset = "utf-8"
    Response.Write "Plain text, written with Response.Write: ½ ∞ 😀" & vbCrLf
    Response.End
End Select
%>
<!--#include file="header.inc"-->
<h1>The Response object</h1>
<ul>
  <li><a href="response.asp?action=status">Response.Status = "404 Not Found"</a>: this page, answered with 404
    (status now: <code><%= Response.Status %></code>)</li>
  <li><a href="response.asp?action=redirect">Response.Redirect</a>: a 302 to the home page</li>
  <li><a href="response.asp?action=cookie">Response.Cookies</a>: sets the cookie "greeting"
    (see it on <a href="request.asp">request.asp</a>)</li>
  <li><a href="response.asp?action=text">Response.ContentType and Response.End</a>: a plain-text answer</li>
</ul>
<p>Response.Write writes text in the page's code page: <% Response.Write "ünïcödé ✓ 日本語" %></p>
<p>&lt;%= expression %&gt; is short for Response.Write: <%= 6 * 7 %></p>
<p>Response.CodePage is <%= Response.CodePage %> (0: the page's directive decides);
Response.Buffer is <%= Response.Buffer %>.</p>
<!--#include file="footer.inc"-->
