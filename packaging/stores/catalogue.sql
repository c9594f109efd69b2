-- The catalogue a new user starts with: the four categories, empty, and the catalogue's date.
-- A catalogue file of the maker's takes its place in the user's data folder.
CREATE TABLE bdf (key INTEGER PRIMARY KEY AUTOINCREMENT, films VARCHAR(255), fhttp VARCHAR(255));
CREATE TABLE bdm (key INTEGER PRIMARY KEY AUTOINCREMENT, mult VARCHAR(255), mhttp VARCHAR(255));
CREATE TABLE bds (key INTEGER PRIMARY KEY AUTOINCREMENT, serials VARCHAR(255), shttp VARCHAR(255));
CREATE TABLE bvkf (key INTEGER PRIMARY KEY AUTOINCREMENT, vkfilms VARCHAR(255), http VARCHAR(255));
CREATE TABLE upbd (key1 INTEGER PRIMARY KEY AUTOINCREMENT, "update" DATETIME);

INSERT INTO upbd ("update") VALUES ('2026-12-08 00:00:00');
