-- The demo's sample database: invoice headers and their detail lines.
-- CertificateCode holds an EAN-13 number written with dashes; the window's
-- first query removes them.
PRAGMA encoding = 'UTF-8';
CREATE TABLE HeaderTable (
  InvoiceID INTEGER PRIMARY KEY,
  Company TEXT NOT NULL,
  Address TEXT,
  InvoiceNumber TEXT NOT NULL,
  Date DATE
);
CREATE TABLE DetailTable (
  DetailID INTEGER PRIMARY KEY,
  InvoiceID INTEGER NOT NULL REFERENCES HeaderTable(InvoiceID),
  Position INTEGER NOT NULL,
  Description TEXT NOT NULL,
  Quantity INTEGER NOT NULL,
  Price DECIMAL(10,2) NOT NULL,
  Amount DECIMAL(10,2) NOT NULL,
  CertificateCode TEXT NOT NULL
);
INSERT INTO HeaderTable VALUES
  (1, 'Brightwell Electrical Ltd', '14 Foundry Lane, Leeds LS1 4AB', 'INV-2023-0147', '2023-03-14'),
  (2, 'Northgate Installations', '3 Harbour Road, Hull HU1 2XY', 'INV-2023-0152', '2023-03-21');
INSERT INTO DetailTable VALUES
  (1, 1, 1, 'Copper wire 2.5 mm²', 4, 1.85, 7.40, '4006381-33391-7'),
  (2, 1, 2, 'Cable ties 200 mm', 10, 0.12, 1.20, '4006381-33392-4'),
  (3, 1, 3, 'Wall socket, white', 6, 3.40, 20.40, '4006381-33393-1'),
  (4, 1, 4, 'Junction box IP55', 3, 5.90, 17.70, '4006381-33394-8'),
  (5, 1, 5, 'LED bulb E27 9 W', 12, 2.75, 33.00, '4006381-33395-5'),
  (6, 1, 6, 'Circuit breaker B16', 2, 7.80, 15.60, '4006381-33396-2'),
  (7, 1, 7, 'Ceiling rose', 5, 1.60, 8.00, '4006381-33397-9'),
  (8, 2, 1, 'Insulating tape, 19 mm', 8, 0.95, 7.60, '4006381-33398-6'),
  (9, 2, 2, 'Terminal block 12-way', 4, 2.10, 8.40, '4006381-33399-3'),
  (10, 2, 3, 'Motion sensor 180°', 1, 18.50, 18.50, '4006381-33400-6'),
  (11, 2, 4, 'Extension lead 5 m', 2, 9.99, 19.98, '4006381-33401-3'),
  (12, 2, 5, 'Dimmer switch 400 W', 1, 14.20, 14.20, '4006381-33402-0');
