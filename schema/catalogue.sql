-- The catalogue store, bdv.db: one table per category (its row of the category table in
-- types/Category.h names the table and its title and address fields; every key is `key`),
-- and the catalogue's date. The package's initial store, the demo store, the tests' stores
-- and the benchmarks' generator are all made from this text, followed by rows of their own.
CREATE TABLE bdf (key INTEGER PRIMARY KEY AUTOINCREMENT, films VARCHAR(255), fhttp VARCHAR(255));
CREATE TABLE bdm (key INTEGER PRIMARY KEY AUTOINCREMENT, mult VARCHAR(255), mhttp VARCHAR(255));
CREATE TABLE bds (key INTEGER PRIMARY KEY AUTOINCREMENT, serials VARCHAR(255), shttp VARCHAR(255));
CREATE TABLE bvkf (key INTEGER PRIMARY KEY AUTOINCREMENT, vkfilms VARCHAR(255), http VARCHAR(255));
CREATE TABLE upbd (key1 INTEGER PRIMARY KEY AUTOINCREMENT, "update" DATETIME);
