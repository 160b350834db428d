// Build tool: makes the empty index database from its schema file.
#include <cstdio>
#include <fstream>
#include <sqlite3.h>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SCHEMA.sql DATABASE\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::ostringstream schema;
    schema << in.rdbuf();
    std::remove(argv[2]);
    sqlite3* db = nullptr;
    char* error = nullptr;
    int rc = sqlite3_open(argv[2], &db);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, schema.str().c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK)
        std::fprintf(stderr, "%s: %s\n", argv[2], error ? error : sqlite3_errmsg(db));
    sqlite3_free(error);
    sqlite3_close(db);
    return rc == SQLITE_OK ? 0 : 1;
}
