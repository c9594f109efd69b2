-- The rows of the catalogue a new user starts with (after schema/catalogue.sql): the four
-- categories empty, and the catalogue's date. A catalogue file of the maker's takes its
-- place in the user's data folder.
INSERT INTO upbd ("update") VALUES ('2026-12-08 00:00:00');
