Sub P()
  P( )
End Sub
Function F() As Integer
  Return G() + o.M().N(1)()
End Function
P()
x = F()
