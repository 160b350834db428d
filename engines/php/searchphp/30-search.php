<?php
// Findlark server-side search (PHP): finding and ranking the pages in the index database.
//
// The database holds, beside the table IndexData, a word index made by the indexer when its run ended:
// the vocabulary of folded words (SearchWords), for each word and field the records holding it and how
// often (SearchPostings), each record's folded short fields and text length (SearchRecords) and the
// title parts most titles share (SearchSharedParts). A query word is found inside the vocabulary words
// that hold it, as the browser engine's word index finds it: their counts give its whole-word,
// word-start and inside-word occurrences without reading a page. A phrase, or a word with punctuation
// inside ("node.js"), is counted in the text of the records whose words hold all of its pieces. The
// hits are weighed here exactly as the browser engine weighs them (35-rank.js), so that both engines
// show the same hits in the same order. A page's rank is decided by, in this order:
//   1. how many of the query's matchers (words, or the phrase) it holds, more first;
//   2. its score, higher first:
//        T * (sum over matchers m of R(m) * sum over searched fields f of
//               W[f] * tf * (K + 1) / (tf + K * (1 - B[f] + B[f] * len / P[f]))
//             + EXACT if the title, or a part of it between separators, is the query's words
//             + PIECE * share of a dotted matcher's pieces ("os.path.join") that are whole title words
//             + ADDRESS * a
//             + PAIR * sum over fields f of W[f] * p / (p + 1)
//             + SHAPE * u / c * P[Text] / (P[Text] + len[Text]))
//      with tf = the matcher's occurrences in the field weighed by where they stand among its words
//      (whole, start, inside: FL_KIND_WORTH, each count at most FL_COUNT_LIMIT), len the field's
//      length in UTF-16 units,
//      R(m) = ln(1 + (N - n + 0.5) / (n + 0.5)) for N rows of which n hold m in a searched field,
//      a = 1 when the page's file name is the query's words, whole or joined, its last folder's name
//      allowed to hold some of them, and 0 otherwise (fl_address_share), u and c how many of
//      the first FL_SHAPE_WINDOW hits and how many pages of the site continue the page's address (at
//      least 2 of the hits, else nothing),
//      p the places where two words typed one after the other stand together, T = FL_RANK_UNTITLED for a page
//      without a title and 1 otherwise, and the constants of 25-rank.php. Titles are weighed without
//      the parts most titles share (the site's name in "Topic - Site");
//   3. index order.
// The pair bonus needs each hit's text and the shape bonus the order of the others, so they are added
// only to the first FL_PAIR_WINDOW hits, which are then ordered again among themselves (a bonus only
// raises a score).

const FL_SEARCH_ALL = 0;
const FL_FIELDS_BY_STRATEGY = array(
    array('Title', 'Keywords', 'Description', 'Text'),
    array('Title'),
    array('Keywords'),
    array('Description')
);
// The fields' numbers in SearchPostings.
const FL_FIELD_NUMBERS = array('Title' => 0, 'Keywords' => 1, 'Description' => 2, 'Text' => 3);
const FL_DATABASE_FILE = 'IndexData.mdb';

function fl_fields_for($strategy)
{
    return isset(FL_FIELDS_BY_STRATEGY[$strategy]) ? FL_FIELDS_BY_STRATEGY[$strategy] : FL_FIELDS_BY_STRATEGY[0];
}

// The database beside the page, read-only: a page must never create or change it. A page made for a
// database server reads it there instead, through the account its connection file names.
function fl_open_database()
{
    $config = fl_setting('DatabaseServerConfig');
    if (is_string($config) && $config !== '') {
        return fl_open_server($config);
    }
    $path = __DIR__ . '/' . FL_DATABASE_FILE;
    if (!is_file($path)) {
        throw new RuntimeException(FL_DATABASE_FILE . ' is missing');
    }
    $db = new PDO('sqlite:' . $path, null, null, array(
        PDO::ATTR_ERRMODE => PDO::ERRMODE_EXCEPTION,
        PDO::SQLITE_ATTR_OPEN_FLAGS => PDO::SQLITE_OPEN_READONLY
    ));
    return $db;
}

// The connection file holds "name = value" lines: host, port, socket (instead of host and port),
// database, user and password. The reasons given never show what the file holds, which the visitor
// must not learn; the web server's log has PHP's own.
function fl_open_server($path)
{
    $values = false;
    // A broken file or a lost server makes PHP warn besides failing; the visitor gets the notice alone.
    set_error_handler(function () {
        return true;
    });
    try {
        if (is_file($path) && is_readable($path)) {
            $values = parse_ini_file($path, false, INI_SCANNER_RAW);
        }
        if (!is_array($values)) {
            throw new RuntimeException('the database server\'s connection file cannot be read');
        }
        $setting = function ($name) use ($values) {
            return isset($values[$name]) ? (string) $values[$name] : '';
        };
        $dsn = 'mysql:dbname=' . $setting('database');
        if ($setting('socket') !== '') {
            $dsn .= ';unix_socket=' . $setting('socket');
        } else {
            $dsn .= ';host=' . ($setting('host') !== '' ? $setting('host') : 'localhost');
            if ($setting('port') !== '') {
                $dsn .= ';port=' . (int) $setting('port');
            }
        }
        try {
            $db = new PDO($dsn, $setting('user'), $setting('password'), array(
                PDO::ATTR_ERRMODE => PDO::ERRMODE_EXCEPTION,
                PDO::ATTR_EMULATE_PREPARES => false,
                PDO::ATTR_TIMEOUT => 5
            ));
        } catch (PDOException $e) {
            throw new RuntimeException('the database server did not answer');
        }
    } finally {
        restore_error_handler();
    }
    return $db;
}

function fl_rows($db, $sql, $values)
{
    $statement = $db->prepare($sql);
    $statement->execute($values);
    return $statement->fetchAll(PDO::FETCH_NUM);
}

// Numbers the page made itself (record and word numbers) stand in the statement: a list of thousands
// would exceed what one statement may bind.
function fl_number_list($numbers)
{
    return '(' . implode(',', array_map('intval', $numbers)) . ')';
}

// The fields' numbers in SearchPostings and SearchOccurrences, as a list for a statement.
function fl_field_list($fields)
{
    $numbers = array();
    foreach ($fields as $field) {
        $numbers[] = FL_FIELD_NUMBERS[$field];
    }
    return fl_number_list($numbers);
}

// The runs of word characters of a folded matcher.
function fl_pieces($folded)
{
    $m = array();
    return preg_match_all('/[^' . FL_NON_WORD_CLASS . ']+/u', $folded, $m) ? $m[0] : array();
}

// The vocabulary words that hold the piece: word number => word.
function fl_words_holding($db, $piece)
{
    $words = array();
    foreach (fl_rows($db, 'SELECT WordID, Word FROM SearchWords WHERE instr(Word, ?) > 0', array($piece)) as $row) {
        $words[(int) $row[0]] = (string) $row[1];
    }
    return $words;
}

// The postings of the words in the fields: word number => field => record => count.
function fl_postings($db, $ids, $fields)
{
    $postings = array();
    if (!$ids) {
        return $postings;
    }
    $names = array_flip(FL_FIELD_NUMBERS);
    $statement = $db->query('SELECT WordID, Field, Records FROM SearchPostings WHERE WordID IN '
        . fl_number_list($ids) . ' AND Field IN ' . fl_field_list($fields), PDO::FETCH_NUM);
    foreach ($statement as $row) {
        $records = array();
        $record = 0;
        foreach (explode(',', $row[2]) as $entry) {
            $colon = strpos($entry, ':');
            if ($colon === false) {
                $record += (int) $entry;
                $records[$record] = 1;
            } else {
                $record += (int) substr($entry, 0, $colon);
                $records[$record] = (int) substr($entry, $colon + 1);
            }
        }
        $postings[(int) $row[0]][$names[(int) $row[1]]] = $records;
    }
    return $postings;
}

// A word's occurrences in one vocabulary word by kind, taken from the left without overlap.
function fl_kinds_in_word($needle, $word)
{
    $kinds = array(0, 0, 0);
    $size = strlen($needle);
    for ($at = strpos($word, $needle); $at !== false; $at = strpos($word, $needle, $at + $size)) {
        $kinds[$at > 0 ? FL_INSIDE : ($size === strlen($word) ? FL_WHOLE : FL_START)]++;
    }
    return $kinds;
}

// The searched short fields, text length, title reading and address of records: record =>
// array(Row, Title, Keywords, Description, TextLength, Topic, TitleParts, Untitled, Address). Every record
// when $records is null.
function fl_record_rows($db, $records, $total)
{
    $sql = 'SELECT Rec, Row, Title, Keywords, Description, TextLength, Topic, TitleParts, Untitled, Address '
        . 'FROM SearchRecords';
    if ($records === array()) {
        return array();
    }
    // Most of the table is read quicker whole than looked up record by record.
    if ($records !== null && 2 * count($records) < $total) {
        $sql .= ' WHERE Rec IN ' . fl_number_list($records);
    }
    $rows = array();
    foreach ($db->query($sql, PDO::FETCH_NUM) as $row) {
        $rows[(int) $row[0]] = array('Row' => (int) $row[1], 'Title' => (string) $row[2],
            'Keywords' => (string) $row[3], 'Description' => (string) $row[4], 'TextLength' => (int) $row[5],
            'Topic' => (string) $row[6], 'TitleParts' => (string) $row[7], 'Untitled' => (bool) $row[8],
            'Address' => $row[9]);
    }
    return $rows;
}

// The folded text of the records' pages: record => text. The index keeps the text's words, not the
// text, which is read from the rows and folded as the indexer folded it.
function fl_folded_texts($db, $rows)
{
    $records = array();
    foreach ($rows as $record => $row) {
        $records[$row['Row']] = $record;
    }
    $texts = array();
    if ($records) {
        $statement = $db->query('SELECT rowid, Text FROM IndexData WHERE rowid IN '
            . fl_number_list(array_keys($records)), PDO::FETCH_NUM);
        foreach ($statement as $row) {
            $texts[$records[(int) $row[0]]] = fl_fold_case(fl_shown_text(fl_unescape_stored($row[1])));
        }
    }
    foreach ($rows as $record => $row) {
        if (!isset($texts[$record])) {
            $texts[$record] = '';
        }
    }
    return $texts;
}

// A vocabulary word's occurrences as the indexer summed them over the words that hold it: field =>
// record => kinds, packed as the index packs them (fl_kinds unpacks them); null when it did not (a word
// that is no vocabulary word, or a very long one). A common word is on most records, and an array for
// each of them would take longer than the rest of the search.
function fl_summed_occurrences($db, $word, $fields)
{
    $rows = fl_rows($db, 'SELECT WordID FROM SearchWords WHERE Word = ? AND Summed = 1', array($word));
    if (!$rows) {
        return null;
    }
    $names = array_flip(FL_FIELD_NUMBERS);
    $found = array_fill_keys($fields, array());
    $statement = $db->query('SELECT Field, Records FROM SearchOccurrences WHERE WordID = ' . (int) $rows[0][0]
        . ' AND Field IN ' . fl_field_list($fields), PDO::FETCH_NUM);
    foreach ($statement as $row) {
        // Pairs of variable-length numbers: the record's distance from the one before, then whole +
        // start * 128 + inside * 16384. Read inline, as fl_read_number reads them: a list may hold an
        // entry for every record, and most numbers are a single byte. Reading the bytes as an array
        // (unpack) takes three times as long as reading them from the string.
        $s = $row[1];
        $list = array();
        $record = 0;
        for ($i = 0, $n = strlen($s); $i < $n;) {
            $value = ord($s[$i++]);
            if ($value >= 128) {
                $value &= 127;
                $shift = 7;
                do {
                    $byte = ord($s[$i++]);
                    $value |= ($byte & 127) << $shift;
                    $shift += 7;
                } while ($byte >= 128);
            }
            $record += $value;
            $value = ord($s[$i++]);
            if ($value >= 128) {
                $value &= 127;
                $shift = 7;
                do {
                    $byte = ord($s[$i++]);
                    $value |= ($byte & 127) << $shift;
                    $shift += 7;
                } while ($byte >= 128);
            }
            $list[$record] = $value;
        }
        $found[$names[(int) $row[0]]] = $list;
    }
    return $found;
}

// Occurrences by kind, array(whole, start, inside), from what fl_find gives for the record: the array
// itself, the index's packed number, or the function that counts them (fl_phrase_in_texts).
function fl_kinds($found, $record)
{
    if (is_int($found)) {
        return array($found & 127, ($found >> 7) & 127, $found >> 14);
    }
    return $found instanceof Closure ? $found($record) : $found;
}

// A variable-length number of SearchPlaces at byte $at of $s, moving $at past it.
function fl_read_number($s, &$at)
{
    $value = 0;
    $shift = 0;
    do {
        $byte = ord($s[$at++]);
        $value |= ($byte & 127) << $shift;
        $shift += 7;
    } while ($byte >= 128);
    return $value;
}

// The atoms that may stand for each word of a phrase: the first word ends its atom, the middle words
// are whole atoms, the last word starts its atom. Atom number => atom, for each word in turn.
function fl_phrase_atoms($db, $words)
{
    $last = count($words) - 1;
    $atoms = array();
    foreach ($words as $k => $word) {
        if ($k > 0 && $k < $last) {
            $rows = fl_rows($db, 'SELECT AtomID, Atom FROM SearchAtoms WHERE Atom = ?', array($word));
        } elseif ($k === 0) {
            $rows = fl_rows($db, 'SELECT AtomID, Atom FROM SearchAtoms WHERE instr(Atom, ?) > 0', array($word));
        } else {
            // Text sorts by its bytes, and no byte of UTF-8 text is 0xFF.
            $rows = fl_rows($db, 'SELECT AtomID, Atom FROM SearchAtoms WHERE Atom >= ? AND Atom < ?',
                array($word, $word . "\xFF"));
        }
        $atoms[$k] = array();
        foreach ($rows as $row) {
            $atom = (string) $row[1];
            if ($k > 0 || substr_compare($atom, $word, -strlen($word)) === 0) {
                $atoms[$k][(int) $row[0]] = $atom;
            }
        }
        if (!$atoms[$k]) {
            return null;
        }
    }
    return $atoms;
}

// A phrase's occurrences by kind in the text of every record (of the records $only names, when given),
// from where the text's atoms stand (SearchPlaces): record => kinds. Null when the phrase's words hold
// blanks or punctuation themselves, which only the text can tell, or when the atoms' places would take
// longer to read than $budget bytes of text. $lazily, the records that hold the phrase are found
// without counting it: each is given a function that counts it there (fl_kinds calls it). Of a phrase
// of common words thousands of records hold it, and the ranking weighs only the few that may be shown.
function fl_phrase_in_texts($db, $matcher, $only = null, $budget = null, $lazily = false)
{
    $words = $matcher['words'];
    foreach ($words as $word) {
        if ($word === '' || preg_match('/[' . FL_BLANK_CLASS . FL_PUNCTUATION . ']/u', $word)) {
            return null;
        }
    }
    $found = array();
    $atoms = fl_phrase_atoms($db, $words);
    if ($atoms === null) {
        return $found;
    }
    $ids = array();
    foreach ($atoms as $byId) {
        $ids += $byId;
    }
    $list = fl_number_list(array_keys($ids));
    // A byte of places takes about as long to read as a byte of text.
    if ($budget !== null
        && (int) fl_rows($db, 'SELECT sum(length(Places)) FROM SearchPlaces WHERE AtomID IN ' . $list, array())[0][0] > $budget) {
        return null;
    }
    $places = array();
    foreach ($db->query('SELECT AtomID, Places FROM SearchPlaces WHERE AtomID IN ' . $list, PDO::FETCH_NUM) as $row) {
        $places[(int) $row[0]] = $row[1];
    }
    // Where each record's places start in each atom's list, word by word: word => record => atom and byte
    // of its places' length, in turn. The word with the fewest places goes first: only the records it
    // names are kept of the others.
    $sizes = array();
    foreach ($atoms as $k => $byId) {
        $sizes[$k] = 0;
        foreach ($byId as $id => $atom) {
            $sizes[$k] += isset($places[$id]) ? strlen($places[$id]) : 0;
        }
    }
    asort($sizes, SORT_NUMERIC);
    $sections = array();
    $candidates = $only;
    foreach ($sizes as $k => $size) {
        $sections[$k] = array();
        foreach ($atoms[$k] as $id => $atom) {
            $s = isset($places[$id]) ? $places[$id] : '';
            $record = 0;
            for ($at = 0, $n = strlen($s); $at < $n; ) {
                // Nearly every number here takes one byte, which needs no call.
                $byte = ord($s[$at]);
                if ($byte < 128) {
                    $record += $byte;
                    $at++;
                } else {
                    $record += fl_read_number($s, $at);
                }
                if ($candidates === null || isset($candidates[$record])) {
                    $sections[$k][$record][] = $id;
                    $sections[$k][$record][] = $at;
                }
                $length = ord($s[$at]);
                if ($length < 128) {
                    $at += $length + 1;
                } else {
                    $length = fl_read_number($s, $at);
                    $at += $length;
                }
            }
        }
        $candidates = $candidates === null ? $sections[$k] : array_intersect_key($candidates, $sections[$k]);
        if (!$candidates) {
            return $found;
        }
    }
    $last = count($words) - 1;
    // A hit's count is asked for its bound and again for its weight.
    $counted = array();
    $resumes = array();
    $count = function ($record) use ($words, $atoms, $places, $sizes, $sections, $last, &$counted, &$resumes) {
        if (!isset($counted[$record])) {
            $at = fl_phrase_starts($places, $sizes, $sections, $record, $last, false,
                isset($resumes[$record]) ? $resumes[$record] : null);
            $counted[$record] = $at === null ? array(0, 0, 0) : fl_phrase_kinds($words, $atoms, $at[0], $at[1], $at[2]);
        }
        return $counted[$record];
    };
    foreach ($candidates as $record => $unused) {
        if ($lazily) {
            $resume = fl_phrase_starts($places, $sizes, $sections, $record, $last, true);
            if ($resume !== null) {
                $resumes[$record] = $resume;
                $found[$record] = $count;
            }
            continue;
        }
        $kinds = $count($record);
        if ($kinds[0] || $kinds[1] || $kinds[2]) {
            $found[$record] = $kinds;
        }
    }
    return $found;
}

// Where a phrase may start in one record's text (the ordinal of its first word's atom), narrowed word by
// word from the rarest ($sizes' order), from where its words' atoms stand ($sections: word => record =>
// atom and byte of its places' length, in turn): the starts, and of the first and the last word the atom
// standing there and its underscores, as atom * 4 + flags, each by start. Null when the phrase is not
// there. A word's places are only looked up in what is left, never kept, as most of them are a common
// word's. $any, the first start found is enough: what is returned then is where the last word's places
// were left, for a later call to go on from ($resume) rather than read them again.
function fl_phrase_starts($places, $sizes, $sections, $record, $last, $any, $resume = null)
{
    $starts = null;
    $highest = PHP_INT_MAX;
    $firsts = $lasts = array();
    $final = array_key_last($sizes);
    if ($resume !== null) {
        list($j, $byte, $end, $ordinal, $value, $starts, $highest, $firsts, $lasts) = $resume;
    }
    foreach ($sizes as $k => $size) {
        $next = array();
        $section = $sections[$k][$record];
        if ($resume === null) {
            $j = 0;
        } elseif ($k !== $final) {
            continue;
        } else {
            $next[$ordinal] = $value;
        }
        for ($m = count($section); $j < $m; $j += 2) {
            $id = $section[$j];
            $s = $places[$id];
            if ($resume === null || $k !== $final) {
                $byte = $section[$j + 1];
                $length = ord($s[$byte]);
                if ($length < 128) {
                    $byte++;
                } else {
                    $length = fl_read_number($s, $byte);
                }
                $end = $byte + $length;
                $ordinal = -$k;
            } else {
                $resume = null;
            }
            // An atom's places come in order: past the last start left, the rest cannot join it.
            while ($byte < $end) {
                $value = ord($s[$byte++]);
                if ($value >= 128) {
                    $value &= 127;
                    $shift = 7;
                    do {
                        $more = ord($s[$byte++]);
                        $value |= ($more & 127) << $shift;
                        $shift += 7;
                    } while ($more >= 128);
                }
                $ordinal += $value >> 2;
                if ($ordinal > $highest) {
                    break;
                }
                if ($starts === null || isset($starts[$ordinal])) {
                    if ($any && $k === $final) {
                        return array($j, $byte, $end, $ordinal, $id * 4 + ($value & 3), $starts, $highest, $firsts, $lasts);
                    }
                    $next[$ordinal] = $id * 4 + ($value & 3);
                }
            }
        }
        if (!$next) {
            return null;
        }
        $starts = $next;
        $highest = max(array_keys($next));
        if ($k === 0) {
            $firsts = $next;
        }
        if ($k === $last) {
            $lasts = $next;
        }
    }
    return array($starts, $firsts, $lasts);
}

// A phrase's occurrences by kind from where it may start (fl_phrase_starts), taken from the left without
// overlap.
function fl_phrase_kinds($words, $atoms, $starts, $firsts, $lasts)
{
    $last = count($words) - 1;
    $firstWord = fl_is_word_code(fl_code_at($words[0], 0));
    $lastWord = fl_is_word_code(fl_code_before($words[$last], strlen($words[$last])));
    $firstSize = strlen($words[0]);
    $lastSize = strlen($words[$last]);
    ksort($starts);
    $kinds = array(0, 0, 0);
    // Where the last match ended, as an atom and a byte in it.
    $endOrdinal = -1;
    $endByte = 0;
    foreach ($starts as $ordinal => $unused) {
        if ($ordinal < $endOrdinal) {
            continue;
        }
        $first = $firsts[$ordinal];
        $atom = $atoms[0][$first >> 2];
        $start = strlen($atom) - $firstSize;
        if ($ordinal === $endOrdinal && $start < $endByte) {
            continue;
        }
        $lastAtom = $lasts[$ordinal];
        $lastText = $atoms[$last][$lastAtom >> 2];
        $inside = $firstWord && ($start > 0 ? fl_is_word_beside($atom, $start, true) : ($first & 2) !== 0);
        $after = $lastSize < strlen($lastText) ? fl_is_word_beside($lastText, $lastSize, false) : ($lastAtom & 1) !== 0;
        $kinds[$inside ? FL_INSIDE : ($lastWord && $after ? FL_START : FL_WHOLE)]++;
        $endOrdinal = $ordinal + $last;
        $endByte = $lastSize;
    }
    return $kinds;
}

// The records whose field holds the matcher, with its occurrences by kind: field => record => kinds
// (see fl_kinds). A word of word characters only is answered from the vocabulary words that hold it;
// anything else is counted in the folded text of the records whose words hold each of its pieces. The
// answers of one database are kept: "Did you mean" asks again for the words the search has found.
function fl_find($db, $matcher, $fields, $total)
{
    static $database = null;
    static $answers = array();
    if ($database !== $db) {
        $database = $db;
        $answers = array();
    }
    $key = $matcher['folded'] . "\0" . $matcher['pattern'] . "\0" . implode(',', $matcher['words']) . "\0"
        . implode(',', $fields);
    if (!isset($answers[$key])) {
        $answers[$key] = fl_find_in($db, $matcher, $fields, $total);
    }
    return $answers[$key];
}

function fl_find_in($db, $matcher, $fields, $total)
{
    $found = array_fill_keys($fields, array());
    $pieces = fl_pieces($matcher['folded']);
    if ($matcher['pattern'] === null && count($pieces) === 1 && $pieces[0] === $matcher['folded']) {
        $needle = $matcher['folded'];
        $summed = fl_summed_occurrences($db, $needle, $fields);
        if ($summed !== null) {
            return $summed;
        }
        $words = fl_words_holding($db, $needle);
        foreach (fl_postings($db, array_keys($words), $fields) as $id => $byField) {
            $kinds = fl_kinds_in_word($needle, $words[$id]);
            foreach ($byField as $field => $records) {
                foreach ($records as $record => $times) {
                    if (!isset($found[$field][$record])) {
                        $found[$field][$record] = array(0, 0, 0);
                    }
                    $found[$field][$record][0] += $kinds[0] * $times;
                    $found[$field][$record][1] += $kinds[1] * $times;
                    $found[$field][$record][2] += $kinds[2] * $times;
                }
            }
        }
        foreach ($found as $field => $records) {
            foreach ($records as $record => $kinds) {
                if (!$kinds[0] && !$kinds[1] && !$kinds[2]) {
                    unset($found[$field][$record]);
                }
            }
        }
        return $found;
    }
    if (in_array('Text', $fields, true) && $matcher['pattern'] !== null) {
        $inTexts = fl_phrase_in_texts($db, $matcher, null, null, true);
        if ($inTexts !== null) {
            $found['Text'] = $inTexts;
            $fields = array_values(array_diff($fields, array('Text')));
        }
    }
    // The records whose field holds every piece, or every record when the matcher has none.
    $holding = array();
    if ($pieces) {
        foreach ($fields as $field) {
            $holding[$field] = null;
        }
        foreach (array_unique($pieces) as $piece) {
            $words = fl_words_holding($db, $piece);
            $here = array_fill_keys($fields, array());
            foreach (fl_postings($db, array_keys($words), $fields) as $byField) {
                foreach ($byField as $field => $records) {
                    $here[$field] += $records;
                }
            }
            foreach ($fields as $field) {
                $holding[$field] = $holding[$field] === null ? $here[$field]
                    : array_intersect_key($holding[$field], $here[$field]);
            }
        }
    } else {
        foreach ($fields as $field) {
            $holding[$field] = array_fill(0, $total, 1);
        }
    }
    foreach ($fields as $field) {
        if (!$holding[$field]) {
            continue;
        }
        $rows = fl_record_rows($db, array_keys($holding[$field]), $total);
        $texts = array();
        if ($field === 'Text') {
            $texts = fl_folded_texts($db, array_intersect_key($rows, $holding[$field]));
        } else {
            foreach (array_intersect_key($rows, $holding[$field]) as $record => $row) {
                $texts[$record] = $row[$field];
            }
        }
        foreach ($texts as $record => $text) {
            $kinds = fl_count_kinds($text, $matcher);
            if ($kinds[0] || $kinds[1] || $kinds[2]) {
                $found[$field][$record] = $kinds;
            }
        }
    }
    return $found;
}

// Searches the index for a parsed query. Returns every hit in rank order, each as array('rec', 'row',
// 'matched', 'weight', 'found' => which matchers occur). Only the first $shown hits (all when null, at
// least those the window bonuses look at) are ranked; the others are null, as only their number is
// needed.
// How many records the index holds. They are numbered from 0 (Rec), so the highest number tells it at
// once; counting the rows reads the whole table, 6 ms a request at 76,700 pages.
function fl_record_count($db)
{
    return (int) fl_rows($db, 'SELECT coalesce(max(Rec) + 1, 0) FROM SearchRecords', array())[0][0];
}

function fl_search($db, $query, $strategy, $shown = null)
{
    $matchers = $query['matchers'];
    if (!$matchers) {
        return array();
    }
    $fields = fl_fields_for($strategy);
    $needAll = $query['matching'] === FL_MATCH_ALL;
    $total = fl_record_count($db);
    if ($total === 0) {
        return array();
    }
    $founds = array();
    $holding = array();
    $holders = array();
    foreach ($matchers as $k => $matcher) {
        $founds[$k] = fl_find($db, $matcher, $fields, $total);
        $holders[$k] = array();
        foreach ($founds[$k] as $records) {
            $holders[$k] += $records;
        }
        // Every word must match: one that matches nowhere ends the search.
        if ($needAll && !$holders[$k]) {
            return array();
        }
        $holding[$k] = count($holders[$k]);
    }
    // When every hit holds every matcher, the hits are where the holders meet, found without a step per
    // record.
    if ($needAll || count($matchers) === 1) {
        $common = $holders[0];
        for ($k = 1; $k < count($matchers); $k++) {
            $common = array_intersect_key($common, $holders[$k]);
        }
        $matched = array_fill_keys(array_keys($common), count($matchers));
    } else {
        // How many matchers each record holds, counted in one call: a step per record and matcher took
        // longer than the rest of a search for common words.
        $numbers = array();
        foreach ($holders as $records) {
            $numbers[] = array_keys($records);
        }
        $matched = array_count_values(array_merge(...$numbers));
    }
    $holders = null;
    if (!$matched) {
        return array();
    }
    $rarity = array();
    foreach ($matchers as $k => $matcher) {
        $rarity[$k] = fl_rarity($total, $holding[$k]);
    }
    $words = "\n" . fl_query_words($query) . "\n";
    $pieces = fl_query_pieces($query);
    $named = fl_query_address_words($query);
    // The indexer read each title as the ranking reads it: without the parts most titles share.
    $score = function ($record, $count, $row) use ($matchers, $fields, $founds, $rarity, $words, $pieces, $named) {
        $topic = $row['Topic'];
        $address = $row['Address'];
        $score = 0;
        $found = array();
        foreach ($matchers as $k => $matcher) {
            $found[$k] = false;
            foreach ($fields as $field) {
                if (!isset($founds[$k][$field][$record])) {
                    continue;
                }
                $found[$k] = true;
                // The title is weighed without its shared parts.
                if ($field === 'Title') {
                    $kinds = fl_count_kinds($topic, $matcher);
                    $length = fl_length($topic);
                } else {
                    $kinds = fl_kinds($founds[$k][$field][$record], $record);
                    $length = $field === 'Text' ? $row['TextLength'] : fl_length($row[$field]);
                }
                $score += $rarity[$k] * fl_field_score($field, $kinds, $length);
            }
        }
        $exact = $words !== "\n\n" && strpos($row['TitleParts'], $words) !== false;
        $bonus = ($exact ? FL_RANK_EXACT : 0) + ($pieces ? fl_piece_score($topic, $pieces) : 0)
            + (fl_may_spell($named, $address)
                ? FL_RANK_ADDRESS * fl_address_share($named, fl_address_stem(fl_unescape_stored($address))) : 0);
        $factor = $row['Untitled'] ? FL_RANK_UNTITLED : 1;
        return array('rec' => $record, 'row' => $row['Row'], 'matched' => $count, 'found' => $found,
            'topic' => $topic, 'address' => $address, 'factor' => $factor, 'weight' => fl_round_weight($factor * ($score + $bonus)));
    };
    $ranked = max(FL_PAIR_WINDOW, FL_SHAPE_WINDOW, $shown === null ? count($matched) : $shown);
    $hits = array();
    $rows = array();
    if ($ranked >= count($matched)) {
        $rows = fl_record_rows($db, array_keys($matched), $total);
        foreach ($matched as $record => $count) {
            $hits[] = $score($record, $count, $rows[$record]);
        }
    } else {
        $bounds = fl_weight_bounds($db, $matched, $founds, $rarity, $words, $pieces, $named);
        $closer = function ($record, $bound) use ($matchers, $founds, $rarity) {
            return fl_closer_bound($record, $bound, $matchers, $founds, $rarity);
        };
        $hits = fl_best_hits($db, $matched, $bounds, $ranked, $score, $total, $rows, $closer);
    }
    fl_sort_hits($hits);
    if (count($hits) > $ranked) {
        $hits = array_slice($hits, 0, $ranked);
    }
    fl_add_window_bonus($db, $hits, $rows, fl_pair_matchers($query), $fields);
    return array_pad($hits, count($matched), null);
}

// The most a matcher found in a field can add to a score, whatever its count and the field's length.
function fl_most_in_field($field)
{
    return FL_RANK_WEIGHTS[$field] * (FL_RANK_SATURATION + 1);
}

// How many matchers a hit holds and the most its weight can be, as one number that orders hits as they
// rank (fl_rank_key): record => key, highest first. Worked out from what is already at hand, the fields
// that hold each matcher, and from the titles and addresses that may earn a bonus, without a record's
// row.
function fl_weight_bounds($db, $matched, $founds, $rarity, $words, $pieces, $named)
{
    // Sums of the same terms in another order differ in their last bits, and weights are rounded.
    $least = 2e-6 + ($pieces ? FL_RANK_PIECE * count($pieces) : 0);
    $spelled = fl_spelling_words($named);
    if ($named && !$spelled) {
        $least += FL_RANK_ADDRESS;
    }
    if (min($matched) === max($matched)) {
        $bounds = array_fill_keys(array_keys($matched), fl_rank_key(max($matched), $least));
    } else {
        $bounds = array();
        foreach ($matched as $record => $count) {
            $bounds[$record] = fl_rank_key($count, $least);
        }
    }
    foreach ($founds as $k => $byField) {
        foreach ($byField as $field => $records) {
            $most = $rarity[$k] * fl_most_in_field($field);
            foreach ($records as $record => $kinds) {
                if (isset($bounds[$record])) {
                    $bounds[$record] += $most;
                }
            }
        }
    }
    foreach (fl_bonus_bounds($db, $words, $named, $spelled, $bounds) as $record => $bonus) {
        if (isset($bounds[$record])) {
            $bounds[$record] += $bonus;
        }
    }
    arsort($bounds, SORT_NUMERIC);
    return $bounds;
}

// The query's address words that are plain letters and digits: a file name spells them only when its
// address holds their letters in order, or holds what reads as other letters (an escape, a character
// beyond ASCII). None when any word could be spelled otherwise.
function fl_spelling_words($named)
{
    $plain = preg_grep('/^[a-z0-9]+$/D', $named);
    return count($plain) === count($named) ? $plain : array();
}

// The records of $hits whose title may be the query's words or whose address may spell them, with the
// most those bonuses can add: record => bonus (of other records too, where that is quicker).
function fl_bonus_bounds($db, $words, $named, $spelled, $hits)
{
    $exact = $words !== "\n\n";
    $bonuses = array();
    if (!$exact && !$spelled) {
        return $bonuses;
    }
    if ($spelled && $db->getAttribute(PDO::ATTR_DRIVER_NAME) === 'sqlite') {
        // One pass over the table: SQLite's LIKE ignores the case of ASCII letters, and a character
        // beyond ASCII makes a text's length in characters differ from its length in bytes.
        $spelling = array();
        $values = array();
        foreach ($spelled as $word) {
            $spelling[] = 'Address LIKE ?';
            $values[] = '%' . implode('%', str_split($word)) . '%';
        }
        $where = '(' . implode(' AND ', $spelling) . ') OR instr(Address, char(92)) > 0'
            . ' OR length(Address) <> length(CAST(Address AS BLOB))';
        if ($exact) {
            $where = 'instr(TitleParts, ?) > 0 OR ' . $where;
            array_unshift($values, $words);
        }
        // Reading a row's address takes longer than finding the row by its number: a third of the table
        // is read quicker row by row.
        if (3 * count($hits) < fl_record_count($db)) {
            $where = 'Rec IN ' . fl_number_list(array_keys($hits)) . ' AND (' . $where . ')';
        }
        $rows = fl_rows($db, 'SELECT Rec, ' . ($exact ? 'instr(TitleParts, ?) > 0' : '0') . ', Address FROM SearchRecords WHERE '
            . $where, $exact ? array_merge(array($words), $values) : $values);
        $addresses = array();
        foreach ($rows as $row) {
            $bonuses[(int) $row[0]] = $row[1] ? FL_RANK_EXACT : 0;
            $addresses[(int) $row[0]] = $row[2];
        }
    } else {
        if ($exact) {
            foreach (fl_rows($db, 'SELECT Rec FROM SearchRecords WHERE instr(TitleParts, ?) > 0', array($words)) as $row) {
                $bonuses[(int) $row[0]] = FL_RANK_EXACT;
            }
        }
        $addresses = $spelled ? $db->query('SELECT Rec, Address FROM SearchRecords')->fetchAll(PDO::FETCH_KEY_PAIR) : array();
    }
    if ($addresses) {
        // fl_may_spell over the addresses at once. Of a plain address, the file name's letters must
        // besides be the query's (fl_address_share takes every piece of it), unless it is a folder's
        // index page, named after its folder.
        $plain = preg_grep('/[^\x20-\x5B\x5D-\x7E]/', $addresses, PREG_GREP_INVERT);
        $files = preg_replace('/[^a-z0-9]+/i', '', preg_replace(array('/[?#].*$/s', '/^.*\//s', '/\..*$/s'), '', $plain));
        $letters = implode('', array_unique(str_split(implode('', $spelled))));
        $may = array_diff_key($addresses, $plain) + array_intersect_key(
            preg_grep('/' . $named[0] . '/i', preg_replace('/[^a-z0-9]+/i', '', $plain)),
            preg_grep('/^(?:index|default|[' . $letters . ']*)$/iD', $files));
        foreach ($may as $record => $address) {
            $bonuses[$record] = (isset($bonuses[$record]) ? $bonuses[$record] : 0) + FL_RANK_ADDRESS;
        }
    }
    return $bonuses;
}

// The bound of a hit (fl_weight_bounds) closer to its weight: each field that holds a matcher at the
// most its count can give in a field of no length. A title is weighed without its shared parts, which
// hold no more of a word than the whole title but may join a phrase's words; a count the index keeps
// at the limit may stand for more.
function fl_closer_bound($record, $bound, $matchers, $founds, $rarity)
{
    $less = 0;
    foreach ($founds as $k => $byField) {
        $word = $matchers[$k]['pattern'] === null;
        foreach ($byField as $field => $records) {
            if (!isset($records[$record])) {
                continue;
            }
            $kinds = fl_kinds($records[$record], $record);
            if ($field === 'Title') {
                if (!$word || max($kinds) >= FL_COUNT_LIMIT) {
                    continue;
                }
                $tf = max(FL_KIND_WORTH) * ($kinds[0] + $kinds[1] + $kinds[2]);
            } else {
                $tf = 0;
                for ($kind = 0; $kind < 3; $kind++) {
                    $tf += FL_KIND_WORTH[$kind] * min($kinds[$kind], FL_COUNT_LIMIT);
                }
            }
            $share = FL_RANK_SHARE[$field];
            $most = $tf == 0 ? 0
                : FL_RANK_WEIGHTS[$field] * $tf * (FL_RANK_SATURATION + 1) / ($tf + FL_RANK_SATURATION * (1 - $share));
            $less += $rarity[$k] * (fl_most_in_field($field) - $most);
        }
    }
    return $bound - $less;
}

// A number that orders hits as fl_by_rank does but for index order: more matchers first, then the higher
// weight. A weight never reaches FL_RANK_KEY_STEP, which is small enough that a bound summed from a
// hundred terms stays well within the bounds' slack.
const FL_RANK_KEY_STEP = 1e5;

function fl_rank_key($matched, $weight)
{
    return $matched * FL_RANK_KEY_STEP + $weight;
}

// The hits that can still rank among the first $ranked: they are weighed ($score) in the order of their
// bounds, until the next bound is below the weight of the $ranked-th best hit weighed. Adds their rows to
// $rows.
function fl_best_hits($db, $matched, $bounds, $ranked, $score, $total, &$rows, $closer)
{
    $hits = array();
    $keys = array();
    $least = -INF;
    $order = array_keys($bounds);
    $at = 0;
    $size = $ranked;
    while ($at < count($order) && $bounds[$order[$at]] >= $least) {
        $batch = array();
        for ($end = min(count($order), $at + $size); $at < $end && $bounds[$order[$at]] >= $least; $at++) {
            // Weighing a hit takes far longer than a closer look at its bound.
            if ($least === -INF || $closer($order[$at], $bounds[$order[$at]]) >= $least) {
                $batch[] = $order[$at];
            }
        }
        $batchRows = fl_record_rows($db, $batch, $total);
        foreach ($batch as $record) {
            $hit = $score($record, $matched[$record], $batchRows[$record]);
            $hits[] = $hit;
            $keys[] = fl_rank_key($hit['matched'], $hit['weight']);
        }
        $rows += $batchRows;
        rsort($keys, SORT_NUMERIC);
        $keys = array_slice($keys, 0, $ranked);
        if (count($keys) === $ranked) {
            $least = $keys[$ranked - 1];
        }
        $size = 2 * FL_PAIR_WINDOW;
    }
    return $hits;
}

// Whether the address may spell the query's words (fl_address_share), seen without working out its stem
// where that is cheap: the letters and digits of a plain ASCII address hold every run of the query's
// words, and so its first word.
function fl_may_spell($named, $address)
{
    if (!$named) {
        return false;
    }
    if (preg_match('/[^\x20-\x5B\x5D-\x7E]/', $address) || preg_match('/[^a-z0-9]/', $named[0])) {
        return true;
    }
    return strpos(preg_replace('/[^a-z0-9]+/', '', strtolower($address)), $named[0]) !== false;
}

// Orders the hits as fl_by_rank does, by keys (a comparison function called for every pair of a few
// thousand hits would take longer than the whole search).
function fl_sort_hits(&$hits)
{
    $matched = array();
    $weight = array();
    $rec = array();
    foreach ($hits as $hit) {
        $matched[] = $hit['matched'];
        $weight[] = $hit['weight'];
        $rec[] = $hit['rec'];
    }
    array_multisort($matched, SORT_DESC, SORT_NUMERIC, $weight, SORT_DESC, SORT_NUMERIC, $rec, SORT_ASC, SORT_NUMERIC,
        $hits);
}

// The shape bonus of each of the first $count hits: how many of the first FL_SHAPE_WINDOW hits stand under
// it, against how many pages of the whole site do. The site's pages are read only when a hit stands over
// two or more.
function fl_shape_bonuses($db, $hits, $count)
{
    $window = min(count($hits), FL_SHAPE_WINDOW);
    $under = array();
    $wanted = array();
    for ($h = 0; $h < $count; $h++) {
        $stem = $hits[$h]['stem'];
        $under[$h] = 0;
        if ($stem === '') {
            continue;
        }
        for ($w = 0; $w < $window; $w++) {
            if (fl_is_under($hits[$w]['stem'], $stem)) {
                $under[$h]++;
            }
        }
        if ($under[$h] >= 2) {
            $wanted[$stem] = true;
        }
    }
    $all = array();
    if ($wanted) {
        $stems = array();
        foreach ($db->query('SELECT Address FROM SearchRecords', PDO::FETCH_NUM) as $row) {
            $stems[] = fl_address_stem(fl_unescape_stored($row[0]));
        }
        $all = fl_count_under($stems, $wanted);
    }
    $bonuses = array();
    for ($h = 0; $h < $count; $h++) {
        $stem = $hits[$h]['stem'];
        $bonuses[$h] = $under[$h] >= 2
            ? fl_shape_score($under[$h], isset($all[$stem]) ? $all[$stem] : 0, $hits[$h]['length']) : 0;
    }
    return $bonuses;
}

// Adds the bonuses that look at the first hits together (the pair bonus, the site's shape) to them and
// orders them again.
function fl_add_window_bonus($db, &$hits, $rows, $pairs, $fields)
{
    $count = min(count($hits), FL_PAIR_WINDOW);
    $first = array();
    for ($h = 0; $h < $count; $h++) {
        $hits[$h]['stem'] = fl_address_stem(fl_unescape_stored($hits[$h]['address']));
        $first[$hits[$h]['rec']] = $rows[$hits[$h]['rec']];
        $hits[$h]['length'] = $rows[$hits[$h]['rec']]['TextLength'];
    }
    // In the text, where the atoms stand tells the places of most pairs; the others are counted in it.
    $inTexts = array();
    $counted = array();
    if ($pairs && in_array('Text', $fields, true)) {
        $textBytes = 0;
        foreach ($first as $row) {
            $textBytes += $row['TextLength'];
        }
        foreach ($pairs as $pair) {
            $found = fl_phrase_in_texts($db, $pair, $first, $textBytes);
            if ($found === null) {
                $counted[] = $pair;
                continue;
            }
            foreach ($found as $record => $kinds) {
                $p = min($kinds[0] + $kinds[1] + $kinds[2], FL_COUNT_LIMIT);
                $inTexts[$record] = (isset($inTexts[$record]) ? $inTexts[$record] : 0) + $p;
            }
        }
    }
    $texts = $counted ? fl_folded_texts($db, $first) : array();
    $shapes = fl_shape_bonuses($db, $hits, $count);
    for ($h = 0; $h < $count; $h++) {
        $record = $hits[$h]['rec'];
        $bonus = $shapes[$h];
        foreach ($pairs ? $fields : array() as $field) {
            if ($field === 'Text') {
                $p = isset($inTexts[$record]) ? $inTexts[$record] : 0;
                foreach ($counted as $pair) {
                    $p += min(fl_count_all($texts[$record], $pair, FL_COUNT_LIMIT), FL_COUNT_LIMIT);
                }
                $bonus += fl_pair_weight($field, $p);
                continue;
            }
            $text = $field === 'Title' ? $hits[$h]['topic'] : $rows[$record][$field];
            $bonus += fl_pair_score($field, $text, $pairs);
        }
        if ($bonus) {
            $hits[$h]['weight'] = fl_round_weight($hits[$h]['weight'] + $hits[$h]['factor'] * $bonus);
        }
    }
    $first = array_slice($hits, 0, $count);
    usort($first, 'fl_by_rank');
    array_splice($hits, 0, $count, $first);
}

// Index order is the record's number in the word index: the order of the browser engine's array.
function fl_by_rank($a, $b)
{
    if ($a['matched'] !== $b['matched']) {
        return $b['matched'] - $a['matched'];
    }
    if ($a['weight'] != $b['weight']) {
        return $b['weight'] > $a['weight'] ? 1 : -1;
    }
    return $a['rec'] - $b['rec'];
}

const FL_ALL_FIELDS = array('FileName', 'Title', 'Text', 'Keywords', 'Description', 'LinkDescription');

// Every field of a hit's row as the visitor reads it, and its folded form.
function fl_whole_record($db, $row)
{
    $rows = fl_rows($db, 'SELECT ' . implode(', ', FL_ALL_FIELDS) . ' FROM IndexData WHERE rowid = ?', array($row));
    $record = array();
    foreach (FL_ALL_FIELDS as $c => $name) {
        $stored = $rows ? fl_unescape_stored($rows[0][$c]) : '';
        $record[$name] = $name === 'FileName' ? str_replace("\0", ' ', $stored) : fl_shown_text($stored);
    }
    return $record;
}
