// Build tool: makes a fresh SQLite database from a readable SQL file.
// Usage: qle-mkdb OUTPUT.db INPUT.sql
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.db INPUT.sql\n", argv[0]);
        return 2;
    }
    const std::string out = argv[1];
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 1;
    }
    std::stringstream sql;
    sql << in.rdbuf();

    // Build beside the target and rename, so a failed run never leaves a half-made database.
    const std::string tmp = out + ".tmp";
    std::remove(tmp.c_str());
    sqlite3* db = nullptr;
    if (sqlite3_open(tmp.c_str(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "cannot create %s: %s\n", tmp.c_str(), sqlite3_errmsg(db));
        sqlite3_close(db);
        return 1;
    }
    char* error = nullptr;
    const std::string script = "BEGIN;\n" + sql.str() + "\nCOMMIT;\nVACUUM;";
    const int rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", argv[2], error ? error : sqlite3_errstr(rc));
        sqlite3_free(error);
        sqlite3_close(db);
        std::remove(tmp.c_str());
        return 1;
    }
    sqlite3_close(db);
    if (std::rename(tmp.c_str(), out.c_str()) != 0) {
        std::perror(out.c_str());
        return 1;
    }
    return 0;
}
