<%@ Language="VBScript" CodePage=65001 %>
<!--#include file="header.inc"-->
<script language="JScript" runat="server">
function reverse(text) {
  return String(text).split("").reverse().join("");
}
function shout(text) {
  return Exclaim(String(text).toUpperCase());
}
</script>
<script language="VBScript" runat="server">
Function Exclaim(text)
  Exclaim = text & "!"
End Function
</script>
<h1>Two languages on one page</h1>
<p>JScript reversed "vellum" for the page: <%= Reverse("vellum") %></p>
<p>JScript called back into VBScript: <%= shout("hello") %></p>
<!--#include file="footer.inc"-->
