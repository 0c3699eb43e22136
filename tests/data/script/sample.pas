program Test;
const c = 2 * 3;
var a, b: Integer = 5; s: string; arr: array[0..3, 1..5] of Integer;
procedure P(x: Integer; var y: string);
var z: Integer;
begin
  z := x + 1; y := 'It''s'#13#10;
end;
function F(const q: Integer): Integer;
begin
  Result := q div 2 mod 3 shl 1;
end;
begin
  a := (1 + 2) * 3; Foo(a, 'x');
  if not a = b then P(1, s) else exit;
  case a of 1, 3..5: a := 0; 6: break; else a := 1 end;
  for a := 10 downto 1 do s := s + <Date>;
  while a < $FF do a := -a;
  repeat a := a + 1 until a >= 10;
  try x.y[1, 2].z(3) := 4 except end;
  with x, y do begin end;
  a := b in [1, 3..6];
end.
