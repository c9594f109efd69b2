-- The settings store a new user starts with: one proxy record (no address, the proxy off,
-- the usual port of a caching proxy so that the port always reads as a number) and the
-- start-up check of the maker's site off.
CREATE TABLE proxy (key1 INTEGER PRIMARY KEY AUTOINCREMENT, adres VARCHAR(50), port VARCHAR(50),
                    login VARCHAR(50), password VARCHAR(50), "check" BOOLEAN);
CREATE TABLE autoupdate (key1 INTEGER PRIMARY KEY AUTOINCREMENT, autoupdatecheck BOOLEAN);

INSERT INTO proxy (adres, port, login, password, "check") VALUES ('', '3128', '', '', 0);
INSERT INTO autoupdate (autoupdatecheck) VALUES (0);
