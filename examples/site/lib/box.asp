<%@ Language="JScript" CodePage=65001 %>
<p>Hello from lib/box.asp, in JScript: the date is <%= new Date().toDateString() %>.</p>
