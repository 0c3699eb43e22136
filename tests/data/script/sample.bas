Dim a As Integer = 5, b(3), s

  ' comment
rem whole line
Sub P(x, ByRef y As String)
  Dim z = x + 1
  y = "It""s" & z
End Sub
Function F(q) As Integer
  Return q \ 2 Mod 3
End Function
a = (1 + 2) * 3 : Foo(a, "x")
If Not a = b Then P(1, s) Else Exit
If a > 1 Then
  a = 1
ElseIf a < 0 Then
  a = 2
Else
  a = 3
End If
Select Case a
  Case 1, 3..5: a = 0
  Case 6
    a = 7
  Case Else
    a = 1
End Select
For i = 10 To 1 Step -1
  s += <Date>
Next i
While a < 0xFF
  a = _
    -a
Wend
Do
  a++
Loop While a >= 10
Try
  x.y[1].z(3) = 4
Catch
End Try
With o
  Delete p
End With
Set o = New TObject(1)
