-- The rows of the settings store a new user starts with (after schema/config.sql): one proxy
-- record (no address, the proxy off, the usual port of a caching proxy so that the port
-- always reads as a number) and the start-up check of the maker's site off.
INSERT INTO proxy (adres, port, login, password, "check") VALUES ('', '3128', '', '', 0);
INSERT INTO autoupdate (autoupdatecheck) VALUES (0);
