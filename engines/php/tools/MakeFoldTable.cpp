// Writes the case-folding table of the PHP search page: the same mapping the indexer folds the index
// database's search text with, so a query and the text it is looked for in fold alike.
#include <cstdio>
#include <fstream>

#include "store/SearchText.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.php\n", argv[0]);
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << "<?php\n"
           "// Findlark server-side search (PHP): lower case, character by character, as the indexer folds\n"
           "// the search text of the index database (made by the build; one entry per changed character).\n"
           "const FL_FOLD = array(\n"
        << SearchText::PhpFoldTable() << ");\n";
    out.close();
    return out ? 0 : 1;
}
