<%
' A cookie set on a redirect response.
Response.Cookies("moved") = "m"
Response.Redirect "/echo.asp"
%>
