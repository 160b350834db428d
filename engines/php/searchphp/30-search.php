<?php
// Findlark server-side search (PHP): finding and ranking the pages in the index database.
//
// The database holds, beside the table IndexData, each row's searched fields decoded and case-folded
// (SearchText) and a trigram index over them (SearchTrigrams), both made by the indexer when its run
// ended. The trigram index narrows the rows to those that can hold the query's words; their folded
// fields are then read and weighed here exactly as the browser engine weighs them (35-rank.js), so
// that both engines show the same hits in the same order. A page's rank is decided by, in this order:
//   1. how many of the query's matchers (words, or the phrase) it holds, more first;
//   2. its score, higher first:
//        T * (sum over matchers m of R(m) * sum over searched fields f of
//               W[f] * tf * (K + 1) / (tf + K * (1 - B[f] + B[f] * len / P[f]))
//             + EXACT if the title, or a part of it between separators, is the query's words
//             + PIECE * share of a dotted matcher's pieces ("os.path.join") that are whole title words
//             + PAIR * sum over fields f of W[f] * p / (p + 1))
//      with tf = whole + 0.8 * start + 0.2 * inside (the matcher's occurrences in the field by where
//      they stand among its words, each count at most 100), len the field's length in UTF-16 units,
//      R(m) = ln(1 + (N - n + 0.5) / (n + 0.5)) for N rows of which n hold m in a searched field,
//      p the places where two words typed one after the other stand together, T = 0.5 for a page
//      without a title and 1 otherwise, and the constants of 25-rank.php. Titles are weighed without
//      the parts most titles share (the site's name in "Topic - Site");
//   3. index order.
// The pair bonus needs each hit's text again, so it is added only to the first FL_PAIR_WINDOW hits,
// which are then ordered again among themselves (a bonus only raises a score).

const FL_SEARCH_ALL = 0;
const FL_FIELDS_BY_STRATEGY = array(
    array('Title', 'Keywords', 'Description', 'Text'),
    array('Title'),
    array('Keywords'),
    array('Description')
);
const FL_DATABASE_FILE = 'IndexData.mdb';

function fl_fields_for($strategy)
{
    return isset(FL_FIELDS_BY_STRATEGY[$strategy]) ? FL_FIELDS_BY_STRATEGY[$strategy] : FL_FIELDS_BY_STRATEGY[0];
}

// The database beside the page, read-only: a page must never create or change it.
function fl_open_database()
{
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

function fl_rows($db, $sql, $values)
{
    $statement = $db->prepare($sql);
    $statement->execute($values);
    return $statement->fetchAll(PDO::FETCH_NUM);
}

// A word the trigram index can look for: three characters or more (shorter ones it cannot see).
function fl_trigram_term($word)
{
    if (preg_match_all('/./su', $word) < 3) {
        return null;
    }
    return '"' . str_replace('"', '""', $word) . '"';
}

// The full-text query that every row holding the matcher in one of the fields satisfies, or null when
// the index cannot narrow the rows (every word too short).
function fl_trigram_query($matcher, $fields)
{
    $terms = array();
    foreach ($matcher['words'] as $word) {
        $term = fl_trigram_term($word);
        if ($term !== null) {
            $terms[] = '{' . implode(' ', $fields) . '} : ' . $term;
        }
    }
    return $terms ? implode(' AND ', $terms) : null;
}

// How many rows hold the word in one of the fields. The trigram index narrows them (it folds as far as
// the engines do or further, so it never loses a row); SQLite confirms each in the folded text.
function fl_holding_count($db, $matcher, $fields)
{
    $values = array(':w' => $matcher['folded']);
    $held = array();
    foreach ($fields as $field) {
        $held[] = "instr($field, :w) > 0";
    }
    $where = '(' . implode(' OR ', $held) . ')';
    $match = fl_trigram_query($matcher, $fields);
    if ($match !== null) {
        $values[':q'] = $match;
        $where = 'Row IN (SELECT rowid FROM SearchTrigrams WHERE SearchTrigrams MATCH :q) AND ' . $where;
    }
    $rows = fl_rows($db, 'SELECT count(*) FROM SearchText WHERE ' . $where, $values);
    return (int) $rows[0][0];
}

// Searches the index for a parsed query. Returns every hit in rank order, each as array('row', 'id',
// 'matched', 'weight', 'found' => which matchers occur).
function fl_search($db, $query, $strategy)
{
    $matchers = $query['matchers'];
    if (!$matchers) {
        return array();
    }
    $fields = fl_fields_for($strategy);
    $needAll = $query['matching'] === FL_MATCH_ALL;
    $least = $needAll ? count($matchers) : 1;
    $total = (int) fl_rows($db, 'SELECT count(*) FROM SearchText', array())[0][0];
    if ($total === 0) {
        return array();
    }
    // The parts most titles share, from every title, read once and only when a title has parts.
    $sharedParts = null;
    $shared = function () use ($db, $total, &$sharedParts) {
        if ($sharedParts === null) {
            $titles = array();
            foreach ($db->query('SELECT Title FROM SearchText', PDO::FETCH_NUM) as $row) {
                $titles[] = (string) $row[0];
            }
            $sharedParts = fl_shared_title_parts($titles, $total);
        }
        return $sharedParts;
    };

    $conditions = array();
    $values = array();
    foreach ($matchers as $k => $matcher) {
        $match = fl_trigram_query($matcher, $fields);
        if ($match !== null) {
            $values[':q' . $k] = $match;
            $conditions[] = "Row IN (SELECT rowid FROM SearchTrigrams WHERE SearchTrigrams MATCH :q$k)";
        }
    }
    // With "all", every matcher the index can see narrows the rows; with "any", a matcher it cannot
    // see could be anywhere, so then every row is read.
    $where = '';
    if ($conditions && ($needAll || count($conditions) === count($matchers))) {
        $where = ' WHERE ' . implode($needAll ? ' AND ' : ' OR ', $conditions);
    } else {
        $values = array();
    }
    // The title is read whatever is searched: it decides the untitled factor and the title signals.
    $columns = array_values(array_unique(array_merge(array('Title'), $fields)));
    $statement = $db->prepare('SELECT Row, ID, ' . implode(', ', $columns) . ' FROM SearchText' . $where);
    $statement->execute($values);

    // Rows are read one at a time (a large site's text would not fit in memory at once); what the
    // score needs of each is kept: the matchers' counts by kind and the fields' lengths.
    $holders = array_fill(0, count($matchers), 0);
    $hits = array();
    while (($row = $statement->fetch(PDO::FETCH_NUM)) !== false) {
        $texts = array();
        foreach ($columns as $c => $name) {
            $texts[$name] = (string) $row[2 + $c];
        }
        $topic = null;
        $lengths = array();
        $terms = array();
        $found = array();
        $matched = 0;
        foreach ($matchers as $k => $matcher) {
            $here = false;
            foreach ($fields as $field) {
                $kinds = fl_count_kinds($texts[$field], $matcher);
                if (!$kinds[0] && !$kinds[1] && !$kinds[2]) {
                    continue;
                }
                $here = true;
                // The title counts where the whole of it holds the matcher, and is weighed without its
                // shared parts.
                if ($field === 'Title') {
                    if ($topic === null) {
                        $topic = fl_topic_title($texts['Title'], $shared);
                    }
                    $kinds = fl_count_kinds($topic, $matcher);
                    $length = fl_length($topic);
                } else {
                    if (!isset($lengths[$field])) {
                        $lengths[$field] = fl_length($texts[$field]);
                    }
                    $length = $lengths[$field];
                }
                $terms[] = array($k, $field, $kinds, $length);
            }
            $found[$k] = $here;
            if ($here) {
                $matched++;
                $holders[$k]++;
            } elseif ($needAll) {
                break;
            }
        }
        if ($matched < $least) {
            continue;
        }
        if ($topic === null) {
            $topic = fl_topic_title($texts['Title'], $shared);
        }
        $hits[] = array('row' => (int) $row[0], 'id' => $row[1] === null ? null : (int) $row[1],
            'matched' => $matched, 'found' => $found, 'terms' => $terms, 'topic' => $topic,
            'factor' => fl_is_untitled($texts['Title']) ? FL_RANK_UNTITLED : 1);
    }
    $statement = null;
    if (!$hits) {
        return array();
    }

    // The rows read hold every row that holds a matcher, except when all of several words must match:
    // then only those that hold all of them were read, and the others are counted apart.
    $holding = $holders;
    if ($needAll && count($matchers) > 1) {
        foreach ($matchers as $k => $matcher) {
            $holding[$k] = fl_holding_count($db, $matcher, $fields);
        }
    }
    $rarity = array();
    foreach ($matchers as $k => $matcher) {
        $rarity[$k] = fl_rarity($total, $holding[$k]);
    }
    $words = fl_query_words($query);
    foreach ($hits as &$hit) {
        $score = 0;
        foreach ($hit['terms'] as $term) {
            $score += $rarity[$term[0]] * fl_field_score($term[1], $term[2], $term[3]);
        }
        $bonus = (fl_is_exact_title($hit['topic'], $words) ? FL_RANK_EXACT : 0) + fl_piece_score($hit['topic'], $query);
        $hit['weight'] = fl_round_weight($hit['factor'] * ($score + $bonus));
        unset($hit['terms']);
    }
    unset($hit);
    fl_sort_hits($hits);
    $pairs = fl_pair_matchers($query);
    if ($pairs) {
        fl_add_pair_bonus($db, $hits, $pairs, $fields);
    }
    return $hits;
}

// Orders the hits as fl_by_rank does, by keys (a comparison function called for every pair of a few
// thousand hits would take longer than the whole search).
function fl_sort_hits(&$hits)
{
    $matched = array();
    $weight = array();
    $id = array();
    $row = array();
    foreach ($hits as $hit) {
        $matched[] = $hit['matched'];
        $weight[] = $hit['weight'];
        $id[] = $hit['id'] === null ? PHP_INT_MIN : $hit['id'];
        $row[] = $hit['row'];
    }
    array_multisort($matched, SORT_DESC, SORT_NUMERIC, $weight, SORT_DESC, SORT_NUMERIC, $id, SORT_ASC, SORT_NUMERIC,
        $row, SORT_ASC, SORT_NUMERIC, $hits);
}

// Adds the pair bonus to the first hits and orders them again.
function fl_add_pair_bonus($db, &$hits, $pairs, $fields)
{
    $count = min(count($hits), FL_PAIR_WINDOW);
    $others = array_values(array_diff($fields, array('Title')));
    $texts = array();
    if ($others) {
        $marks = array();
        $values = array();
        for ($h = 0; $h < $count; $h++) {
            $marks[] = ':r' . $h;
            $values[':r' . $h] = $hits[$h]['row'];
        }
        $sql = 'SELECT Row, ' . implode(', ', $others) . ' FROM SearchText WHERE Row IN (' . implode(', ', $marks) . ')';
        $statement = $db->prepare($sql);
        $statement->execute($values);
        while (($row = $statement->fetch(PDO::FETCH_NUM)) !== false) {
            foreach ($others as $c => $field) {
                $texts[(int) $row[0]][$field] = (string) $row[1 + $c];
            }
        }
    }
    for ($h = 0; $h < $count; $h++) {
        $bonus = 0;
        foreach ($fields as $field) {
            $text = $field === 'Title' ? $hits[$h]['topic'] : (isset($texts[$hits[$h]['row']][$field]) ? $texts[$hits[$h]['row']][$field] : '');
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

// Index order is the order of the browser engine's array: by record number (rows without one first,
// as SQL sorts them), then as stored.
function fl_by_rank($a, $b)
{
    if ($a['matched'] !== $b['matched']) {
        return $b['matched'] - $a['matched'];
    }
    if ($a['weight'] != $b['weight']) {
        return $b['weight'] > $a['weight'] ? 1 : -1;
    }
    if ($a['id'] !== $b['id']) {
        if ($a['id'] === null || $b['id'] === null) {
            return $a['id'] === null ? -1 : 1;
        }
        return $a['id'] - $b['id'];
    }
    return $a['row'] - $b['row'];
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
