var a = 5, b[3], s;
function P(x, &y) { var z = x + 1; y = "It's\n"; }
function F(q) { return q div 2 % 3 << 1; }
a = (1 + 2) * 3; Foo(a, "x");
IF (!a == b) P(1, s); else return;
switch (a) { case 1, 3..5: a = 0; break; default: a = 1; }
for (var i = 10; i > 0; i--) s += <Date>;
while (a < 0xFF) a = -a;
do a++; while (a >= 10)
try { x.y[1].z(3) = 4; } except { }
with (o) { delete p; }
o = new TObject(1)
