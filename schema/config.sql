-- The settings store, zntconfig.db: the proxy record, whose fields the program reads by
-- position (ProxyField), and the start-up check flag; one row each. The package's initial
-- store, the demo store, the tests' stores and the benchmarks' generator are all made from
-- this text, followed by rows of their own.
CREATE TABLE proxy (key1 INTEGER PRIMARY KEY AUTOINCREMENT, adres VARCHAR(50), port VARCHAR(50),
                    login VARCHAR(50), password VARCHAR(50), "check" BOOLEAN);
CREATE TABLE autoupdate (key1 INTEGER PRIMARY KEY AUTOINCREMENT, autoupdatecheck BOOLEAN);
