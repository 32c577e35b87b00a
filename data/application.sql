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
    ftp_server   TEXT, -- the server, or for Git and WebDAV the address
    Root         TEXT,
    Yourpage     TEXT,
    Description  TEXT,
    Homepage     TEXT,
    Joining_Page TEXT,
    Protocol     TEXT, -- "FTP", "FTPS", "SFTP", "GIT" or "WEBDAV"; empty means FTP
    Branch       TEXT  -- Git: the branch; empty means the repository's default branch
);
-- Real hosts only. USERNAME in ftp_server, Root and Yourpage stands for the author's user name on
-- the Publish tab; YOURDOMAIN for the author's own domain. Each row's documentation address is on
-- the comment above it: check the settings there before changing them.
INSERT INTO providers (provider, free, ftp_server, Root, Yourpage, Description, Homepage, Joining_Page, Protocol, Branch) VALUES
-- https://docs.github.com/en/pages/quickstart (a user site: a repository named USERNAME.github.io)
-- https://docs.github.com/en/pages/getting-started-with-github-pages/configuring-a-publishing-source-for-your-github-pages-site
('GitHub Pages', TRUE, 'git@github.com:USERNAME/USERNAME.github.io.git', '', 'https://USERNAME.github.io/',
 'Free pages for every GitHub account, published from a branch of a repository named USERNAME.github.io. '
 || 'Make the repository and an SSH key first (see the README), add the key to your account, and under '
 || 'Settings, Pages, Build and deployment choose "Deploy from a branch" and the branch. Add an empty file .nojekyll to the branch so that every file is served.',
 'https://pages.github.com/', 'https://github.com/signup', 'GIT', ''),
-- https://docs.codeberg.org/codeberg-pages/
('Codeberg Pages', TRUE, 'git@codeberg.org:USERNAME/pages.git', '', 'https://USERNAME.codeberg.page/',
 'Free pages from Codeberg, a non-profit Git host: what you push to a public repository named "pages" is served '
 || 'at USERNAME.codeberg.page. Make the repository and add an SSH key to your account first.',
 'https://codeberg.page/', 'https://codeberg.org/user/sign_up', 'GIT', ''),
-- https://docs.gitlab.com/user/project/pages/getting_started_part_one (user pages: the project
-- USERNAME/USERNAME.gitlab.io is served at https://USERNAME.gitlab.io unless "Use unique domain" is on)
('GitLab Pages', TRUE, 'git@gitlab.com:USERNAME/USERNAME.gitlab.io.git', 'public/', 'https://USERNAME.gitlab.io/',
 'Free pages from GitLab. GitLab publishes through a CI job: the repository needs a .gitlab-ci.yml with a "pages" '
 || 'job that publishes the folder public (see the README); the program puts the site in public/ and keeps that file. '
 || 'With the project''s "Use unique domain" setting on, GitLab serves the site at another address.',
 'https://docs.gitlab.com/user/project/pages/', 'https://gitlab.com/users/sign_up', 'GIT', ''),
-- https://neocities.org/supporter (WebDAV access is part of the supporter plan)
('Neocities', FALSE, 'https://neocities.org/webdav/', '/', 'https://USERNAME.neocities.org/',
 'Neocities hosts static sites; its supporter plan adds WebDAV access. Log in with your site name and password.',
 'https://neocities.org/', 'https://neocities.org/supporter', 'WEBDAV', ''),
-- https://forum.infinityfree.com/docs (FTP details are in the client area of each account)
('InfinityFree', TRUE, 'ftpupload.net', '/htdocs/', '',
 'Free hosting with FTP upload; your FTP user name and password are in the client area. The site goes into htdocs.',
 'https://www.infinityfree.com/', 'https://www.infinityfree.com/', 'FTP', ''),
-- https://docs.hetzner.com/konsoleh/account-management/access-details/login-data/ (SFTP, and the
-- public_html folder; check the SFTP port there)
('Hetzner Webhosting', FALSE, 'USERNAME.your-server.de:222', '/public_html/', '',
 'Paid web hosting; SFTP on port 222 with the login of your hosting account.',
 'https://www.hetzner.com/webhosting/', 'https://www.hetzner.com/webhosting/', 'SFTP', ''),
-- https://eu.siteground.com/kb/multisite-sftp-access/ (SFTP on port 18765 with an SSH key; RSA keys only)
('SiteGround', FALSE, 'YOURDOMAIN:18765', '/www/YOURDOMAIN/public_html/', '',
 'Paid hosting; SFTP on port 18765 with an SSH key made in Site Tools. Replace YOURDOMAIN with your domain.',
 'https://www.siteground.com/', 'https://www.siteground.com/web-hosting.htm', 'SFTP', '');

-- What the program remembers between runs (where its window was, which panes are shown): one
-- value per name. Older application databases get the table when a value is first kept.
CREATE TABLE Settings (
    Name  TEXT PRIMARY KEY,
    Value TEXT
);
