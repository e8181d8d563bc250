<%@ Language="VBScript" %>
<!--#include file="header.inc"-->
<h1>vellum sample site</h1>
<p>Server time: <%= Now() %></p>
<ul>
  <li><a href="hello.asp?name=World">hello.asp</a>: query strings</li>
  <li><a href="form.asp">form.asp</a>: a posted form</li>
  <li><a href="counter.asp">counter.asp</a>: Session and Application</li>
  <li><a href="about.html">about.html</a>: a static page</li>
</ul>
<!--#include file="footer.inc"-->
