<%@ Language="VBScript" CodePage=65001 %>
<!--#include file="header.inc"-->
<%
Dim sample
sample = "<b>Fish & Chips</b> für 5 €"
%>
<h1>The Server object</h1>
<table>
<tr><th>call</th><th>result</th></tr>
<tr><td>Server.HTMLEncode(sample)</td><td><code><%= Server.HTMLEncode(Server.HTMLEncode(sample)) %></code></td></tr>
<tr><td>Server.URLEncode(sample)</td><td><code><%= Server.HTMLEncode(Server.URLEncode(sample)) %></code></td></tr>
<tr><td>Server.MapPath("/static")</td><td><code><%= Server.HTMLEncode(Server.MapPath("/static")) %></code></td></tr>
<tr><td>Server.MapPath("lib/format.inc")</td><td><code><%= Server.HTMLEncode(Server.MapPath("lib/format.inc")) %></code></td></tr>
<tr><td>Server.ScriptTimeout</td><td><%= Server.ScriptTimeout %> seconds</td></tr>
</table>
<h2>Server.Execute</h2>
<p>The next box is another page, run in place; its output joins this one:</p>
<div class="box"><% Server.Execute "lib/box.asp" %></div>
<p>Server.Transfer("hello.asp") would hand the whole request to that page instead.</p>
<!--#include file="footer.inc"-->
