procedure P();
begin
  P( )
end;
function F(): Integer;
begin
  Result := G() + o.M().N(1)()
end;
begin
  P(); x := F()
end.
