-- Sample data for the invoice report: invoice headers and their lines.
-- Build the database with:  sqlite3 invoice.db < invoice.sql
DROP TABLE IF EXISTS invoice_lines;
DROP TABLE IF EXISTS invoices;

CREATE TABLE invoices (id INTEGER PRIMARY KEY, number TEXT NOT NULL, issued TEXT NOT NULL,
                       customer TEXT NOT NULL, address TEXT NOT NULL, vat_rate REAL NOT NULL);
CREATE TABLE invoice_lines (id INTEGER PRIMARY KEY, invoice_id INTEGER NOT NULL REFERENCES invoices(id),
                            position INTEGER NOT NULL, description TEXT NOT NULL,
                            quantity REAL NOT NULL, unit_price REAL NOT NULL);

INSERT INTO invoices (id, number, issued, customer, address, vat_rate) VALUES
  (1, 'INV-2026-0041', '2026-11-02', 'Aurora Bakery', 'Mill Street 4, 4410 Lindholm', 0.20),
  (2, 'INV-2026-0042', '2026-11-05', 'Dune Outfitters', 'Harbour Road 17, 5120 Port Salen', 0.20),
  (3, 'INV-2026-0043', '2026-11-09', 'Juniper Books', 'Old Market 2, 7730 Westmarch', 0.10);

INSERT INTO invoice_lines (invoice_id, position, description, quantity, unit_price) VALUES
  (1, 1, 'Receipt printer, thermal, 80 mm', 2, 189.00),
  (1, 2, 'Paper rolls 80 mm (box of 50)', 4, 24.00),
  (1, 3, 'Installation and staff training', 3, 45.00),
  (2, 1, 'Barcode scanner, handheld', 3, 59.90),
  (2, 2, 'Cash drawer, 5 notes / 8 coins', 1, 74.50),
  (3, 1, 'Service contract, 12 months', 1, 120.00),
  (3, 2, 'Ink ribbon, black', 10, 6.25),
  (3, 3, 'Paper rolls 57 mm (box of 50)', 2, 19.50),
  (3, 4, 'Receipt printer, thermal, 57 mm', 1, 149.00);
