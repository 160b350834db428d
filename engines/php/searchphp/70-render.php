<?php
// Findlark server-side search (PHP): the list of hits as HTML, the same markup as the browser engine's.
// Nothing from the index or the query reaches the page as markup: every text is decoded and then
// escaped, and links go into attributes escaped, and only when their scheme cannot run script.

const FL_PAGE_SIZE = 10;
const FL_PAGE_LINKS = 10;
const FL_PRODUCT_PAGE = 'https://www.tidewell.example/findlark/';

function fl_page_info($total, $requested)
{
    $pages = max(1, (int) ceil($total / FL_PAGE_SIZE));
    $page = (int) floor($requested);
    if (!($page >= 1)) {
        $page = 1;
    }
    if ($page > $pages) {
        $page = $pages;
    }
    $from = max(1, min($page - intdiv(FL_PAGE_LINKS, 2), $pages - FL_PAGE_LINKS + 1));
    return array('page' => $page, 'pages' => $pages, 'first' => ($page - 1) * FL_PAGE_SIZE,
        'last' => min($total, $page * FL_PAGE_SIZE), 'from' => $from, 'to' => min($pages, $from + FL_PAGE_LINKS - 1));
}

// The address for a hit's href, or null when it must not be followed (see the browser engine).
function fl_safe_href($link)
{
    $s = preg_replace('/[\t\n\r]/', '', (string) $link);
    $s = preg_replace('/^[\x00-\x20]+|[\x00-\x20]+$/', '', $s);
    if ($s === '') {
        return null;
    }
    if (preg_match('/^[A-Za-z]:[\\\\\/]/', $s)) {
        return 'file:///' . str_replace('\\', '/', $s);
    }
    $m = array();
    if (preg_match('/^([A-Za-z][A-Za-z0-9+.\-]*):/', $s, $m)
        && !in_array(strtolower($m[1]), array('http', 'https', 'ftp', 'mailto', 'file'), true)) {
        return null;
    }
    return $s;
}

function fl_attr($name, $value)
{
    return ' ' . $name . '="' . fl_escape_html($value) . '"';
}

function fl_mark_open($color)
{
    return '<mark class="fl-match" style="background:none;color:' . $color . ';font-weight:bold">';
}

function fl_link($className, $href, $style, $html)
{
    if ($href === null) {
        return '<span' . fl_attr('class', $className) . fl_attr('style', $style) . '>' . $html . '</span>';
    }
    return '<a' . fl_attr('class', $className) . fl_attr('href', $href) . fl_attr('style', $style) . '>' . $html . '</a>';
}

// An excerpt around the best match in the text; failing that the description or the link
// description; failing that the text's opening.
function fl_excerpt_html($record, $matchers, $open)
{
    $text = $record['Text'];
    $folded = fl_fold_case($text);
    $part = fl_excerpt($text, $folded, $matchers);
    if ($part) {
        return fl_part_html($part, $open);
    }
    foreach (array('Description', 'LinkDescription') as $field) {
        if (fl_trim_blanks($record[$field]) === '') {
            continue;
        }
        $other = $record[$field];
        $otherFolded = fl_fold_case($other);
        $part = fl_excerpt($other, $otherFolded, $matchers);
        if (!$part) {
            $part = fl_lead($other, $otherFolded, $matchers);
        }
        return fl_part_html($part, $open);
    }
    $part = fl_lead($text, $folded, $matchers);
    return $part['end'] > $part['start'] ? fl_part_html($part, $open) : '';
}

function fl_size_text($length)
{
    return max(1, (int) floor($length / 1024 + 0.5)) . ' KB';
}

function fl_hit_html($o, $matchers, $hit, $record)
{
    $address = $record['FileName'];
    $href = fl_safe_href($address);
    $out = '<li class="fl-hit">';
    if ($o['showTitle']) {
        $part = fl_whole($record['Title'], fl_fold_case($record['Title']), $matchers);
        $titleHtml = $part['end'] > $part['start'] ? fl_part_html($part, fl_mark_open($o['hitTitleColor']))
            : fl_escape_html($address);
        $out .= fl_link('fl-hit-title', $href, $o['titleStyle'], $titleHtml);
    }
    if ($o['showText']) {
        $excerpt = fl_excerpt_html($record, $matchers, fl_mark_open($o['hitTextColor']));
        if ($excerpt !== '') {
            $out .= '<p class="fl-hit-text"' . fl_attr('style', $o['textStyle']) . '>' . $excerpt . '</p>';
        }
    }
    if ($o['showUrl'] && $address !== '') {
        $out .= '<p class="fl-hit-url"' . fl_attr('style', $o['urlStyle']) . '>'
            . ($o['showTitle'] ? fl_escape_html($address) : fl_link('fl-hit-link', $href, '', fl_escape_html($address)))
            . '</p>';
    }
    if ($o['showInfo']) {
        $words = array();
        foreach ($matchers as $k => $matcher) {
            if (!empty($hit['found'][$k])) {
                $words[] = $matcher['text'];
            }
        }
        $textLength = fl_length($record['Text']);
        $info = implode(', ', $words) . ($textLength ? ' - ' . fl_size_text($textLength) : '');
        $out .= '<p class="fl-hit-info"' . fl_attr('style', $o['infoStyle']) . '>' . fl_escape_html($info) . '</p>';
    }
    return $out . '</li>';
}

function fl_pages_html($s, $base, $request, $queryRaw, $info)
{
    $address = function ($page) use ($base, $request, $queryRaw) {
        return fl_attr('href', fl_page_address($base, $request, $queryRaw, $page));
    };
    $out = '<nav class="fl-pages"' . fl_attr('aria-label', $s['resultPage']) . '>';
    $out .= '<span class="fl-pages-label">' . fl_escape_html($s['resultPage']) . ':</span>';
    if ($info['page'] > 1) {
        $out .= ' <a class="fl-prev" rel="prev"' . $address($info['page'] - 1) . '>' . fl_escape_html($s['previous']) . '</a>';
    }
    for ($n = $info['from']; $n <= $info['to']; $n++) {
        $out .= $n === $info['page'] ? ' <strong class="fl-page fl-current" aria-current="page">' . $n . '</strong>'
            : ' <a class="fl-page"' . $address($n) . '>' . $n . '</a>';
    }
    if ($info['page'] < $info['pages']) {
        $out .= ' <a class="fl-next" rel="next"' . $address($info['page'] + 1) . '>' . fl_escape_html($s['next']) . '</a>';
    }
    return $out . '</nav>';
}

// The HTML that goes between the two halves of the template's result page. $records holds the whole
// records of the hits shown, by row; $suggestion the corrected query to offer, if any.
function fl_render_results($query, $hits, $records, $request, $o, $s, $suggestion = null)
{
    $info = fl_page_info(count($hits), $request['page']);
    $rule = $o['horizontalLines'] ? '<hr class="fl-rule">' : '';
    $out = '<div id="fl-results" class="fl-results">';
    $out .= '<p class="fl-summary"><span class="fl-your-search">' . fl_escape_html($s['yourSearch'])
        . ' <strong class="fl-query">' . fl_escape_html($query['shown']) . '</strong></span> '
        . '<span class="fl-count">' . fl_escape_html($s['find']) . ' ' . count($hits) . ' ' . fl_escape_html($s['items'])
        . '</span></p>';
    if ($suggestion !== null) {
        $out .= fl_suggestion_html($suggestion, $o['searchFileName'], $request);
    }
    $out .= $rule;
    if ($hits) {
        $out .= '<ol class="fl-hits" start="' . ($info['first'] + 1) . '">';
        for ($k = $info['first']; $k < $info['last']; $k++) {
            $out .= fl_hit_html($o, $query['matchers'], $hits[$k], $records[$hits[$k]['row']]);
        }
        $out .= '</ol>';
        if ($info['pages'] > 1) {
            $out .= fl_pages_html($s, $o['searchFileName'], $request, $query['raw'], $info);
        }
        $out .= $rule;
    }
    if ($o['newSearchLink']) {
        $out .= '<p class="fl-actions"><a class="fl-new-search"' . fl_attr('href', 'search.html') . '>'
            . fl_escape_html($s['newSearch']) . '</a></p>';
    }
    if ($o['poweredBy']) {
        $out .= '<p class="fl-powered">Powered by <a' . fl_attr('href', FL_PRODUCT_PAGE) . '>Findlark</a></p>';
    }
    return $out . '</div>';
}
