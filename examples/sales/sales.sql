-- Sample data for the sales list report: regions, customers and their orders.
-- Build the database with:  sqlite3 sales.db < sales.sql
DROP TABLE IF EXISTS orders;
DROP TABLE IF EXISTS customers;
DROP TABLE IF EXISTS regions;

CREATE TABLE regions (id INTEGER PRIMARY KEY, name TEXT NOT NULL);
CREATE TABLE customers (id INTEGER PRIMARY KEY, region_id INTEGER NOT NULL REFERENCES regions(id),
                        name TEXT NOT NULL, city TEXT NOT NULL);
CREATE TABLE orders (id INTEGER PRIMARY KEY, customer_id INTEGER NOT NULL REFERENCES customers(id),
                     order_date TEXT NOT NULL, product TEXT NOT NULL, quantity INTEGER NOT NULL,
                     unit_price REAL NOT NULL, note TEXT NOT NULL);

INSERT INTO regions (id, name) VALUES (1, 'North'), (2, 'South'), (3, 'East'), (4, 'West');

INSERT INTO customers (id, region_id, name, city) VALUES
  (1, 1, 'Aurora Bakery', 'Lindholm'),
  (2, 1, 'Birchwood Tools', 'Lindholm'),
  (3, 1, 'Cedar Print Shop', 'Haverby'),
  (4, 2, 'Dune Outfitters', 'Port Salen'),
  (5, 2, 'Estuary Fish Market', 'Port Salen'),
  (6, 3, 'Fjell Coffee Roasters', 'Ostrava Nova'),
  (7, 3, 'Granite Hardware', 'Kellmoor'),
  (8, 3, 'Harbour Lights Cafe', 'Kellmoor'),
  (9, 4, 'Iris Florists', 'Westmarch'),
  (10, 4, 'Juniper Books', 'Westmarch');

-- 240 orders spread over the customers, with notes of varying length so the note column wraps.
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 240)
INSERT INTO orders (id, customer_id, order_date, product, quantity, unit_price, note)
SELECT i,
       1 + (i * 7) % 10,
       date('2026-01-01', '+' || ((i * 3) % 330) || ' days'),
       CASE i % 6 WHEN 0 THEN 'Paper rolls 80 mm' WHEN 1 THEN 'Receipt printer'
                  WHEN 2 THEN 'Cash drawer' WHEN 3 THEN 'Barcode scanner'
                  WHEN 4 THEN 'Ink ribbon' ELSE 'Service contract' END,
       1 + (i * 13) % 9,
       CASE i % 6 WHEN 0 THEN 2.40 WHEN 1 THEN 189.00 WHEN 2 THEN 74.50
                  WHEN 3 THEN 59.90 WHEN 4 THEN 6.25 ELSE 120.00 END,
       CASE i % 4
         WHEN 0 THEN 'Delivered.'
         WHEN 1 THEN 'Delivered to the back entrance, and the customer asks for the invoice by mail.'
         WHEN 2 THEN 'Partial delivery: the remaining items follow next week together with the updated '
                  || 'price list and the installation guide that the shop manager asked for on the phone.'
         ELSE 'Paid in advance.'
       END
FROM n;
