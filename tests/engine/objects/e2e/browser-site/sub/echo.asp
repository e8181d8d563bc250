<%
' The session's mark in brackets, then the cookies the browser sent, in collection
' order: name=value, or name{key:value,...}; the session cookie is left out.
Response.Write "[" & Session("from") & "]"
For Each name In Request.Cookies
  Set cookie = Request.Cookies(name)
  If name = "SESSIONID" Then
  ElseIf cookie.HasKeys Then
    text = ""
    For Each key In cookie
      If text <> "" Then text = text & ","
      text = text & key & ":" & cookie.Item(key)
    Next
    Response.Write name & "{" & text & "};"
  Else
    Response.Write name & "=" & cookie.Item() & ";"
  End If
Next
%>
