-- Demo settings store: the proxy record and the start-up check flag, one row each.
CREATE TABLE proxy (key1 INTEGER PRIMARY KEY AUTOINCREMENT, adres VARCHAR(50), port VARCHAR(50),
                    login VARCHAR(50), password VARCHAR(50), "check" BOOLEAN);
CREATE TABLE autoupdate (key1 INTEGER PRIMARY KEY AUTOINCREMENT, autoupdatecheck BOOLEAN);

INSERT INTO proxy (adres, port, login, password, "check") VALUES ('127.0.0.1', '3128', '', '', 0);
INSERT INTO autoupdate (autoupdatecheck) VALUES (1);
