-- Demo settings store: the proxy record and the start-up check flag, one row each, for a
-- store made from schema/config.sql.

INSERT INTO proxy (adres, port, login, password, "check") VALUES ('127.0.0.1', '3128', '', '', 0);
INSERT INTO autoupdate (autoupdatecheck) VALUES (1);
