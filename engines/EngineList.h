#pragma once

// Every search engine the program makes, in the order the Script page offers them. Each engine's folder
// defines `const SearchEngine& <Name>SearchEngine()`; a new engine is one more line here.
#define FINDLARK_SEARCH_ENGINES(ENGINE)                                                                      \
    ENGINE(JavaScript)                                                                                       \
    ENGINE(Asp)                                                                                              \
    ENGINE(Php)                                                                                              \
    /* a new engine: one line above */
