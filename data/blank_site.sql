-- The blank template site: every new site file is a byte copy of the database built from this.

-- Category and section names that differ only in ASCII letter case are one category or section,
-- since their page files would collide. AUTOINCREMENT keeps an ArtID from ever being reused.
CREATE TABLE Articles (
    ArtID       INTEGER PRIMARY KEY AUTOINCREMENT,
    Category    TEXT COLLATE NOCASE,
    Section     TEXT COLLATE NOCASE,
    Title       TEXT,
    Para        TEXT,
    Body        TEXT,
    Image       TEXT,
    Image_Strap TEXT
);

-- The generator selects a category's or a section's articles for every list page.
CREATE INDEX Articles_Category_Section ON Articles (Category, Section);

-- Every change to Articles, by whatever program makes it, is logged here (an ArtID changed: both),
-- so that a rebuild reads only the articles changed since the last build. The statements must
-- stay exactly as the program makes them in older files, or rebuilds read every article.
CREATE TABLE Article_Changes (Seq INTEGER PRIMARY KEY AUTOINCREMENT, ArtID INTEGER, Token BLOB);
INSERT INTO Article_Changes (ArtID, Token) VALUES (NULL, randomblob(8));
CREATE TRIGGER Article_Changes_Insert AFTER INSERT ON Articles BEGIN INSERT INTO Article_Changes (ArtID, Token) VALUES (NEW.ArtID, randomblob(8)); END;
CREATE TRIGGER Article_Changes_Update AFTER UPDATE ON Articles BEGIN INSERT INTO Article_Changes (ArtID, Token) SELECT OLD.ArtID, randomblob(8) WHERE OLD.ArtID IS NOT NEW.ArtID; INSERT INTO Article_Changes (ArtID, Token) VALUES (NEW.ArtID, randomblob(8)); END;
CREATE TRIGGER Article_Changes_Delete AFTER DELETE ON Articles BEGIN INSERT INTO Article_Changes (ArtID, Token) VALUES (OLD.ArtID, randomblob(8)); END;

CREATE TABLE Options (
    CatPanel0       TEXT,
    CatPanel1       TEXT,
    CatPanel2       TEXT,
    SectPanel0      TEXT,
    SectPanel1      TEXT,
    SectPanel2      TEXT,
    DetPanel0       TEXT,
    DetPanel1       TEXT,
    DetPanel2       TEXT,
    Cat_Art_Limit   INTEGER,
    Cat_Art_Maj     INTEGER,
    Sect_Art_Limit  INTEGER,
    Sect_Art_Maj    INTEGER,
    homepage        INTEGER,
    homepage_title  TEXT,
    Banner          TEXT,
    Provider        TEXT,
    Ftp_Destination TEXT,
    Ftp_Root        TEXT,
    Ftp_Dir         TEXT,
    Ftp_Username    TEXT,
    Ftp_Password    TEXT,
    Local_Web_Dir   TEXT,
    Your_Homepage   TEXT,
    Page_Style      TEXT,
    Ftp_Protocol    TEXT,
    Ftp_Trusted_Key TEXT,
    Ftp_Key_File    TEXT,
    Ftp_Connections INTEGER,
    Spell_Language  TEXT,
    Keep_Picture_Metadata INTEGER,
    Picture_Max_Width INTEGER,
    -- 1: the author keeps the password in this file; otherwise it is kept in the desktop's keyring.
    Ftp_Password_In_File INTEGER,
    Ftp_Branch      TEXT
);

INSERT INTO Options (CatPanel0, CatPanel1, CatPanel2, SectPanel0, SectPanel1, SectPanel2,
                     DetPanel0, DetPanel1, DetPanel2,
                     Cat_Art_Limit, Cat_Art_Maj, Sect_Art_Limit, Sect_Art_Maj,
                     homepage, homepage_title, Banner, Provider,
                     Ftp_Destination, Ftp_Root, Ftp_Dir, Ftp_Username, Ftp_Password,
                     Local_Web_Dir, Your_Homepage, Page_Style,
                     Ftp_Protocol, Ftp_Trusted_Key, Ftp_Key_File, Ftp_Connections, Spell_Language,
                     Keep_Picture_Metadata, Picture_Max_Width, Ftp_Password_In_File, Ftp_Branch)
VALUES ('LightBlue', 'White', 'LightGreen', 'LightBlue', 'White', 'LightGreen', 'LightBlue', 'White', 'LightGreen',
        10, 5, 10, 5,
        NULL, '', '', '',
        '', '', '', '', '',
        '', '', 'Modern',
        'FTP', '', '', NULL, '',
        0, 1600, 0, '');

-- Page file names, the same rule the generator uses: ASCII letters lower case (SQLite's lower()
-- changes ASCII letters only); blanks, '/', '\', " * : < > ? | and control characters become "-",
-- so that every server and the upload script can hold the name.
-- Links then escape '%', the quote and '#', which would end or redirect an address, so that each
-- link reaches the file of that name.

-- One row per article page.
CREATE VIEW Article_Pages AS
SELECT ArtID AS artid, Category, Section, Title AS title,
       '../articles/art-' || ArtID || '.htm' AS link,
       Para AS para, Body AS body, Image AS image, Image_Strap AS image_strap
FROM Articles
ORDER BY ArtID;

-- One row per category (names differing only in letter case are one category).
CREATE VIEW Category_Pages AS
SELECT Category
FROM Articles
WHERE Category IS NOT NULL
GROUP BY Category
ORDER BY Category;

-- One row per category and section pair.
CREATE VIEW Section_Pages AS
SELECT Category, Section
FROM Articles
WHERE Category IS NOT NULL AND Section IS NOT NULL
GROUP BY Category, Section
ORDER BY Category, Section;

-- Article summaries for the category and section lists.
CREATE VIEW Mini_Articles AS
SELECT ArtID AS artid, Category, Section, Title AS title,
       '../articles/art-' || ArtID || '.htm' AS link,
       Para AS para, Image AS image
FROM Articles
ORDER BY ArtID;

-- The category navigation list. The link is computed on the grouped rows, so that the list is
-- read from the index alone (a join would visit every article). The name rule is applied in three
-- steps because SQLite's parser limits how deeply calls may nest.
-- A name part longer than 231 bytes, which would make the file name longer than the 239 bytes a
-- page's file name may have, is cut to 214 bytes (never inside a character) and followed by "-"
-- and 16 hexadecimal digits of two hashes of all its bytes, as the generator names the file, so
-- that two long names that begin alike still name two files.
CREATE VIEW List_Categories AS
SELECT Text,
       '../categories/cat-' || replace(replace(replace(
           CASE WHEN length(CAST(name AS BLOB)) <= 231 THEN name
           ELSE (WITH RECURSIVE hashing(i, a, b) AS (
                     SELECT 1, 0, 0
                     UNION ALL
                     SELECT i + 1,
                            (a * 16777619 + instr('0123456789ABCDEF', substr(hex(substr(CAST(name AS BLOB), i, 1)), 1, 1)) * 16
                                + instr('0123456789ABCDEF', substr(hex(substr(CAST(name AS BLOB), i, 1)), 2, 1)) - 16) % 4294967291,
                            (b * 1000003 + instr('0123456789ABCDEF', substr(hex(substr(CAST(name AS BLOB), i, 1)), 1, 1)) * 16
                                + instr('0123456789ABCDEF', substr(hex(substr(CAST(name AS BLOB), i, 1)), 2, 1)) - 16) % 4294967279
                     FROM hashing
                     WHERE i <= length(CAST(name AS BLOB)))
                 SELECT CAST(substr(CAST(name AS BLOB), 1, CASE WHEN hex(substr(CAST(name AS BLOB), 215, 1)) NOT BETWEEN '80' AND 'BF' THEN 214
                                                                 WHEN hex(substr(CAST(name AS BLOB), 214, 1)) NOT BETWEEN '80' AND 'BF' THEN 213
                                                                 WHEN hex(substr(CAST(name AS BLOB), 213, 1)) NOT BETWEEN '80' AND 'BF' THEN 212
                                                                 ELSE 211 END) AS TEXT)
                        || '-' || printf('%08x%08x', a, b)
                 FROM hashing
                 WHERE i > length(CAST(name AS BLOB))) END,
           '%', '%25'), '''', '%27'), '#', '%23') || '.htm' AS link
FROM (SELECT Text, replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(name,
                  char(17), '-'), char(18), '-'), char(19), '-'), char(20), '-'), char(21), '-'), char(22), '-'),
                  char(23), '-'), char(24), '-'), char(25), '-'), char(26), '-'), char(27), '-'), char(28), '-'),
                  char(29), '-'), char(30), '-'), char(31), '-'), char(127), '-') AS name
      FROM (SELECT Text, replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(name,
                  char(1), '-'), char(2), '-'), char(3), '-'), char(4), '-'), char(5), '-'), char(6), '-'),
                  char(7), '-'), char(8), '-'), char(9), '-'), char(10), '-'), char(11), '-'), char(12), '-'),
                  char(13), '-'), char(14), '-'), char(15), '-'), char(16), '-') AS name
            FROM (SELECT Category AS Text, replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(lower(Category),
                  ' ', '-'), '/', '-'), '\', '-'), '"', '-'), '*', '-'), ':', '-'),
                  '<', '-'), '>', '-'), '?', '-'), '|', '-') AS name
                  FROM Articles
                  WHERE Category IS NOT NULL
                  GROUP BY Category)))
ORDER BY Text;

-- The section navigation list of every category (read from the index alone, as above; a section
-- page's file name leaves the name part 230 bytes, and a longer one is cut to 213).
CREATE VIEW List_Sections AS
SELECT category, Text,
       '../sections/sect-' || replace(replace(replace(
           CASE WHEN length(CAST(name AS BLOB)) <= 230 THEN name
           ELSE (WITH RECURSIVE hashing(i, a, b) AS (
                     SELECT 1, 0, 0
                     UNION ALL
                     SELECT i + 1,
                            (a * 16777619 + instr('0123456789ABCDEF', substr(hex(substr(CAST(name AS BLOB), i, 1)), 1, 1)) * 16
                                + instr('0123456789ABCDEF', substr(hex(substr(CAST(name AS BLOB), i, 1)), 2, 1)) - 16) % 4294967291,
                            (b * 1000003 + instr('0123456789ABCDEF', substr(hex(substr(CAST(name AS BLOB), i, 1)), 1, 1)) * 16
                                + instr('0123456789ABCDEF', substr(hex(substr(CAST(name AS BLOB), i, 1)), 2, 1)) - 16) % 4294967279
                     FROM hashing
                     WHERE i <= length(CAST(name AS BLOB)))
                 SELECT CAST(substr(CAST(name AS BLOB), 1, CASE WHEN hex(substr(CAST(name AS BLOB), 214, 1)) NOT BETWEEN '80' AND 'BF' THEN 213
                                                                 WHEN hex(substr(CAST(name AS BLOB), 213, 1)) NOT BETWEEN '80' AND 'BF' THEN 212
                                                                 WHEN hex(substr(CAST(name AS BLOB), 212, 1)) NOT BETWEEN '80' AND 'BF' THEN 211
                                                                 ELSE 210 END) AS TEXT)
                        || '-' || printf('%08x%08x', a, b)
                 FROM hashing
                 WHERE i > length(CAST(name AS BLOB))) END,
           '%', '%25'), '''', '%27'), '#', '%23') || '.htm' AS link
FROM (SELECT category, Text, replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(name,
                  char(17), '-'), char(18), '-'), char(19), '-'), char(20), '-'), char(21), '-'), char(22), '-'),
                  char(23), '-'), char(24), '-'), char(25), '-'), char(26), '-'), char(27), '-'), char(28), '-'),
                  char(29), '-'), char(30), '-'), char(31), '-'), char(127), '-') AS name
      FROM (SELECT category, Text, replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(name,
                  char(1), '-'), char(2), '-'), char(3), '-'), char(4), '-'), char(5), '-'), char(6), '-'),
                  char(7), '-'), char(8), '-'), char(9), '-'), char(10), '-'), char(11), '-'), char(12), '-'),
                  char(13), '-'), char(14), '-'), char(15), '-'), char(16), '-') AS name
            FROM (SELECT Category AS category, Section AS Text, replace(replace(replace(replace(replace(replace(replace(replace(replace(replace(lower(Section),
                  ' ', '-'), '/', '-'), '\', '-'), '"', '-'), '*', '-'), ':', '-'),
                  '<', '-'), '>', '-'), '?', '-'), '|', '-') AS name
                  FROM Articles
                  WHERE Category IS NOT NULL AND Section IS NOT NULL
                  GROUP BY Category, Section)))
ORDER BY category, Text;

-- The lowest article id; no row at all when there are no articles. (Written without a HAVING
-- that lacks GROUP BY, which SQLite before 3.39 refuses.)
CREATE VIEW firstpage AS
SELECT ArtID AS minofartid
FROM Articles
ORDER BY ArtID
LIMIT 1;
