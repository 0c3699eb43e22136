void P() { P(); }
int F( ) { return G() + o.M().N(1)(); }
{
  P(); x = F();
}
