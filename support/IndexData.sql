-- The empty index database shipped beside the program: one row per index record.
CREATE TABLE IndexData (
    ID INTEGER,
    FileName VARCHAR(254),
    Title VARCHAR(254),
    Text TEXT,
    Keywords TEXT,
    Description TEXT,
    LinkDescription VARCHAR(254)
);
