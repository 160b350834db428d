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

// Searches the index for a parsed query. Returns the hits, best first, each as
// array('row', 'id', 'matched', 'weight', 'found' => which matchers occur).
function fl_search($db, $query, $strategy)
{
    $matchers = $query['matchers'];
    if (!$matchers) {
        return array();
    }
    $fields = fl_fields_for($strategy);
    $needAll = $query['matching'] === FL_MATCH_ALL;
    $values = array();
    $columns = array('Row', 'ID');
    $phraseFields = false;
    foreach ($matchers as $k => $matcher) {
        if ($matcher['pattern'] !== null) {
            $phraseFields = true;
            continue;
        }
        $values[':w' . $k] = $matcher['folded'];
        foreach ($fields as $field) {
            $columns[] = "min(" . FL_COUNT_LIMIT . ", (length($field) - length(replace($field, :w$k, ''))) / length(:w$k))";
        }
    }
    if ($phraseFields) {
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
    $wanted = $needAll ? count($matchers) : 1;
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
        $weight = 0.0;
        $matched = 0;
        $found = array();
        foreach ($order as $k) {
            $here = false;
            foreach ($fields as $f => $field) {
                $n = $counts[$k][$f];
                if ($n > 0) {
                    $weight += FL_WEIGHTS[$field] * $n / ($n + 1);
                    $here = true;
                }
            }
            $found[$k] = $here;
            if ($here) {
                $matched++;
            }
        }
        if ($matched >= $wanted) {
            // Rounding far below any real difference makes equal sums of terms in another order tie.
            $hits[] = array('row' => (int) $row[0], 'id' => $row[1] === null ? null : (int) $row[1],
                'matched' => $matched, 'weight' => floor($weight * 1e6 + 0.5) / 1e6, 'found' => $found);
        }
    }
    usort($hits, 'fl_by_rank');
    return $hits;
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
