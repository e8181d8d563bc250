<%@ Language="VBScript" CodePage=65001 %>
<!--#include file="header.inc"-->
<h1>A script error</h1>
<p>The include below divides by zero; the report names the included file and its line.</p>
<!--#include file="lib/broken.inc"-->
<!--#include file="footer.inc"-->
