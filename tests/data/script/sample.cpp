#define MAX 10
int a = 5, b[3][4];
string s;
void P(int x, string &y = "d")
{
  int z = x + 1;
  y = "It's\n";
}
int F(int q)
{
  return q div 2 % 3 << 1;
}
{
  a = (1 + 2) * 3; Foo(a, "x");
  if (!a == b) P(1, s); else exit;
  switch (a) { case 1, 3..5: a = 0; break; default: a = 1; }
  for (a = 10; a > 0; a--) s += <Date>;
  while (a < 0xFF) a = -a;
  do a++; while (a >= 10);
  try { x.y[1][2].z(3) = 4; } except { }
  delete o; o = new TObject(1);
  a = b in [1, 3..6] && c || d ^ e != f;
}
