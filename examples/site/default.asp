<%@ Language="VBScript" CodePage=65001 %>
<!--#include file="header.inc"-->
<h1>vellum sample site</h1>
<p>Server time: <%= Now() %></p>
<ul>
  <li><a href="hello.asp?name=World">hello.asp</a>: the query string</li>
  <li><a href="form.asp">form.asp</a>: a posted form, in JScript</li>
  <li><a href="table.asp">table.asp</a>: loops, includes and Server.URLEncode</li>
  <li><a href="cross.asp">cross.asp</a>: VBScript calling a JScript function and back</li>
  <li><a href="error.asp">error.asp</a>: the report of a script error in an included file</li>
  <li><a href="request.asp?city=Z%C3%BCrich&amp;city=%E5%8C%97%E4%BA%AC">request.asp</a>: the Request object</li>
  <li><a href="response.asp">response.asp</a>: the Response object</li>
  <li><a href="server.asp">server.asp</a>: the Server object</li>
  <li><a href="visits.asp">visits.asp</a>: visits counted per session and per application (global.asa)</li>
  <li><a href="about.html">about.html</a>: a static page</li>
</ul>
<!--#include file="footer.inc"-->
