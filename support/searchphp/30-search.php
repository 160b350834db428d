<?php
// Findlark server-side search (PHP): finding and ranking the pages in the index database.
//
// The database holds, beside the table IndexData, each row's searched fields decoded and case-folded
// (SearchText) and a trigram index over them (SearchTrigrams), both made by the indexer when its run
// ended. The trigram index narrows the rows to those that can hold a word; SQLite then counts the word
// in the folded text, so a request reads no page text itself except for phrases and the hits it shows.
// Ranking follows the browser engine: more of the query's matchers first, then the weight
//     sum over matchers and searched fields of W[field] * n / (n + 1), n = occurrences (at most 100),
// W = 1000 for the title, 100 for keywords and description, 10 for the text; then index order.

const FL_SEARCH_ALL = 0;
const FL_COUNT_LIMIT = 100;
const FL_FIELDS_BY_STRATEGY = array(
    array('Title', 'Keywords', 'Description', 'Text'),
    array('Title'),
    array('Keywords'),
    array('Description')
);
const FL_WEIGHTS = array('Title' => 1000, 'Keywords' => 100, 'Description' => 100, 'Text' => 10);
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

// Longer matchers first when all must match (as the browser engine scans them; the order of the sums
// decides the last bits of a weight).
function fl_scan_order($matchers, $needAll)
{
    $order = array_keys($matchers);
    if ($needAll) {
        usort($order, function ($a, $b) use ($matchers) {
            $d = fl_length($matchers[$b]['folded']) - fl_length($matchers[$a]['folded']);
            return $d ? $d : $a - $b;
        });
    }
    return $order;
}

// The SQL that counts a word (the parameter $name) in a field, as the browser engine counts it: the
// occurrences taken from the left without overlap, at most FL_COUNT_LIMIT.
function fl_count_sql($field, $name)
{
    // Byte lengths: a blob knows its length, a text's characters would be counted twice over.
    return "min(" . FL_COUNT_LIMIT . ", (length(CAST($field AS BLOB)) - length(CAST(replace($field, $name, '') AS BLOB)))"
        . " / length(CAST($name AS BLOB)))";
}

// The weight of a row from its counts, summed in the browser engine's order (matcher by matcher in scan
// order, field by field), and rounded as it rounds.
function fl_weight($counts, $order, $fields)
{
    $weight = 0.0;
    foreach ($order as $k) {
        foreach ($fields as $f => $field) {
            $n = $counts[$k][$f];
            if ($n > 0) {
                $weight += FL_WEIGHTS[$field] * $n / ($n + 1);
            }
        }
    }
    // Rounding far below any real difference makes equal sums of terms in another order tie.
    return floor($weight * 1e6 + 0.5) / 1e6;
}

// Searches the index for a parsed query. Returns the hits, each as array('row', 'id', 'matched',
// 'weight', 'found' => which matchers occur); the first $wanted of them are exactly the browser engine's
// first hits in its order, the others follow in no particular order.
//
// Counting a common word in the text of every page is what a request would spend its time on, and
// only the order needs those counts: the text's share of a weight is below 10 per matcher, while a hit
// in a title is worth 500 or more. So for words the text is first only asked whether it holds them,
// the pages are taken in the order of the highest weight each could reach, and their text is counted
// until no page left could still reach the hits wanted.
function fl_search($db, $query, $strategy, $wanted)
{
    $matchers = $query['matchers'];
    if (!$matchers) {
        return array();
    }
    $fields = fl_fields_for($strategy);
    $needAll = $query['matching'] === FL_MATCH_ALL;
    $hasPhrase = false;
    foreach ($matchers as $matcher) {
        $hasPhrase = $hasPhrase || $matcher['pattern'] !== null;
    }
    // Phrases are matched by a pattern on the text itself, so their rows are read whole.
    $deferText = !$hasPhrase && in_array('Text', $fields, true);
    $values = array();
    $columns = array('Row', 'ID');
    foreach ($matchers as $k => $matcher) {
        if ($matcher['pattern'] !== null) {
            continue;
        }
        $values[':w' . $k] = $matcher['folded'];
        foreach ($fields as $field) {
            if (!$deferText || $field !== 'Text') {
                $columns[] = fl_count_sql($field, ":w$k");
                continue;
            }
            // Whether the text holds the word: the trigram index knows without reading the text, except
            // for the few texts it folds further than the engines do, which are read.
            $term = fl_trigram_term($matcher['folded']);
            if ($term === null) {
                $columns[] = "instr(Text, :w$k) > 0";
            } else {
                $values[':t' . $k] = '{Text} : ' . $term;
                $columns[] = "CASE WHEN FoldsFurther THEN instr(Text, :w$k) > 0 "
                    . "ELSE Row IN (SELECT rowid FROM SearchTrigrams WHERE SearchTrigrams MATCH :t$k) END";
            }
        }
    }
    if ($hasPhrase) {
        foreach ($fields as $field) {
            $columns[] = $field;
        }
    }
    $conditions = array();
    $matches = array();
    foreach ($matchers as $k => $matcher) {
        $match = fl_trigram_query($matcher, $fields);
        if ($match !== null) {
            $matches[':q' . $k] = $match;
            $conditions[] = "Row IN (SELECT rowid FROM SearchTrigrams WHERE SearchTrigrams MATCH :q$k)";
        }
    }
    // With "all", every matcher the index can see narrows the rows; with "any", a matcher it cannot
    // see could be anywhere, so then every row is read.
    $where = '';
    if ($conditions && ($needAll || count($conditions) === count($matchers))) {
        $where = ' WHERE ' . implode($needAll ? ' AND ' : ' OR ', $conditions);
        $values = array_merge($values, $matches);
    }
    $rows = fl_rows($db, 'SELECT ' . implode(', ', $columns) . ' FROM SearchText' . $where, $values);

    $order = fl_scan_order($matchers, $needAll);
    $least = $needAll ? count($matchers) : 1;
    $textField = array_search('Text', $fields, true);
    // The most a text can add for one matcher: 100 occurrences.
    $textMost = FL_WEIGHTS['Text'] * FL_COUNT_LIMIT / (FL_COUNT_LIMIT + 1);
    $hits = array();
    foreach ($rows as $row) {
        $counts = array();
        $at = 2;
        foreach ($matchers as $k => $matcher) {
            if ($matcher['pattern'] === null) {
                $counts[$k] = array_map('intval', array_slice($row, $at, count($fields)));
                $at += count($fields);
            }
        }
        foreach ($matchers as $k => $matcher) {
            if ($matcher['pattern'] !== null) {
                $counts[$k] = array();
                foreach ($fields as $f => $field) {
                    $counts[$k][$f] = fl_count_all((string) $row[$at + $f], $matcher, FL_COUNT_LIMIT);
                }
            }
        }
        $matched = 0;
        $found = array();
        foreach ($order as $k) {
            $found[$k] = max($counts[$k]) > 0;
            $matched += $found[$k] ? 1 : 0;
        }
        if ($matched < $least) {
            continue;
        }
        $hit = array('row' => (int) $row[0], 'id' => $row[1] === null ? null : (int) $row[1], 'matched' => $matched,
            'found' => $found, 'counts' => $counts);
        if ($deferText) {
            // Until the text is counted: the highest weight the row can reach.
            $most = $counts;
            foreach ($order as $k) {
                $most[$k][$textField] = $most[$k][$textField] ? FL_COUNT_LIMIT : 0;
            }
            $hit['weight'] = fl_weight($most, $order, $fields) + 1e-6;
            $hit['exact'] = false;
        } else {
            $hit['weight'] = fl_weight($counts, $order, $fields);
            $hit['exact'] = true;
        }
        $hits[] = $hit;
    }
    usort($hits, 'fl_by_rank');
    if (!$deferText) {
        return $hits;
    }
    return fl_count_texts($db, $matchers, $order, $fields, $textField, $hits, $wanted);
}

// Counts the text of the hits in order of the highest weight they can reach, a batch at a time, until
// the first $wanted exact hits are known to be above every hit not yet counted.
function fl_count_texts($db, $matchers, $order, $fields, $textField, $hits, $wanted)
{
    $wanted = min($wanted, count($hits));
    $exact = array();
    $next = 0;
    $total = count($hits);
    while ($next < $total) {
        if (count($exact) >= $wanted && $wanted > 0) {
            usort($exact, 'fl_by_rank');
            $last = $exact[$wanted - 1];
            if (fl_by_rank($last, $hits[$next]) < 0) {
                break;
            }
        } elseif ($wanted === 0) {
            break;
        }
        $batch = array_slice($hits, $next, 50);
        $next += count($batch);
        $values = array();
        $columns = array('Row');
        foreach ($matchers as $k => $matcher) {
            $values[':w' . $k] = $matcher['folded'];
            $columns[] = fl_count_sql('Text', ":w$k");
        }
        $marks = array();
        foreach ($batch as $j => $hit) {
            $values[':r' . $j] = $hit['row'];
            $marks[] = ':r' . $j;
        }
        $counted = array();
        foreach (fl_rows($db, 'SELECT ' . implode(', ', $columns) . ' FROM SearchText WHERE Row IN (' . implode(', ', $marks) . ')', $values) as $row) {
            $counted[(int) $row[0]] = $row;
        }
        foreach ($batch as $hit) {
            $k1 = 1;
            foreach ($matchers as $k => $matcher) {
                $hit['counts'][$k][$textField] = isset($counted[$hit['row']]) ? (int) $counted[$hit['row']][$k1] : 0;
                $k1++;
            }
            $hit['weight'] = fl_weight($hit['counts'], $order, $fields);
            $hit['exact'] = true;
            $exact[] = $hit;
        }
    }
    usort($exact, 'fl_by_rank');
    return array_merge($exact, array_slice($hits, $next));
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
