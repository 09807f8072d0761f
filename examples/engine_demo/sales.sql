-- Customers and their orders for the sales report.
CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT NOT NULL, city TEXT NOT NULL);
CREATE TABLE orders (id INTEGER PRIMARY KEY, customer_id INTEGER NOT NULL REFERENCES customers(id),
                     ordered TEXT NOT NULL, item TEXT NOT NULL, amount NUMERIC NOT NULL);
INSERT INTO customers VALUES (1, 'Harbour Tools', 'Bergen'), (2, 'Lindqvist & Son', 'Uppsala'),
                             (3, 'Café Aurora', 'Tampere');
INSERT INTO orders VALUES
  (1, 1, '2024-01-08', 'Rope, 50 m', 89.50),
  (2, 1, '2024-02-14', 'Anchor chain', 412.00),
  (3, 1, '2024-03-02', 'Deck cleaner', 23.90),
  (4, 2, '2024-01-19', 'Oak planks', 640.00),
  (5, 2, '2024-02-27', 'Wood glue', 18.40),
  (6, 3, '2024-01-05', 'Espresso beans, 5 kg', 112.00),
  (7, 3, '2024-01-30', 'Milk jugs', 36.00),
  (8, 3, '2024-03-11', 'Grinder burrs', 74.20),
  (9, 3, '2024-03-29', 'Cups, 100', 58.00);
