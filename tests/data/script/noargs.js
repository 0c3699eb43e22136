function P() { P(); }
function F( ) { return G() + o.M().N(1)(); }
P(); x = F();
