-- The application database shipped beside the program: its settings, recent sites and
-- the catalogue of web-space providers.

CREATE TABLE Options (
    Company      TEXT,
    Username     TEXT,
    FirstUsed    TEXT,
    LastSite     TEXT,
    AutoLoad     BOOLEAN,
    LocalBaseDir TEXT
);
INSERT INTO Options (Company, Username, FirstUsed, LastSite, AutoLoad, LocalBaseDir)
VALUES ('', '', '', '', FALSE, '');

CREATE TABLE last_5_sites (
    filename TEXT
);

CREATE TABLE providers (
    provider     TEXT,
    free         BOOLEAN,
    ftp_server   TEXT,
    Root         TEXT,
    Yourpage     TEXT,
    Description  TEXT,
    Homepage     TEXT,
    Joining_Page TEXT,
    Protocol     TEXT -- "FTP", "FTPS" or "SFTP"; empty means FTP
);
INSERT INTO providers (provider, free, ftp_server, Root, Yourpage, Description, Homepage, Joining_Page, Protocol) VALUES
('Example Free Pages', TRUE, 'ftp.example.com', '/', 'http://www.example.com/~',
 'Free web space for personal pages: 50 MB of space, no advertising banners, FTP upload.',
 'http://www.example.com/', 'http://www.example.com/join/', 'FTP'),
('Example Community Web', TRUE, 'upload.example.org', '/public_html/', 'http://members.example.org/',
 'A community host for clubs and societies. 25 MB free, your site at members.example.org/yourname.',
 'http://www.example.org/', 'http://www.example.org/signup.htm', 'FTPS'),
('Example Net Starter', TRUE, 'ftp.example.net', '/htdocs/', 'http://home.example.net/~',
 'Starter web space with 10 MB free for every member.',
 'http://www.example.net/', 'http://www.example.net/register/', ''),
('Example Business Hosting', FALSE, 'ftp.business.example.com', '/www/', 'http://business.example.com/',
 'Paid hosting for small businesses: your own domain, 1 GB of space and e-mail accounts.',
 'http://business.example.com/', 'http://business.example.com/order/', 'SFTP'),
('Example Pro Web Space', FALSE, 'ftp.pro.example.net', '/web/', 'http://pro.example.net/',
 'Professional web space with daily backups and telephone support.',
 'http://pro.example.net/', 'http://pro.example.net/buy/', 'FTPS');

-- What the program remembers between runs (where its window was, which panes are shown): one
-- value per name. Older application databases get the table when a value is first kept.
CREATE TABLE Settings (
    Name  TEXT PRIMARY KEY,
    Value TEXT
);
