<?php
// Findlark server-side search (PHP): one request, from the address to the page. The page is the
// template's result page: its first half, the hits and page links, its second half, with the search
// forms of the halves showing what was searched for and how, as the browser engine's forms do.

const FL_PLAIN_BEFORE = '<!DOCTYPE html><html><head><meta charset="utf-8">'
    . '<meta name="viewport" content="width=device-width, initial-scale=1"><title>Search</title></head><body>';
const FL_PLAIN_AFTER = '</body></html>';

function fl_tag_attribute($tag, $name)
{
    $m = array();
    if (!preg_match('/\s' . $name . '\s*=\s*(?:"([^"]*)"|\'([^\']*)\'|([^\s"\'>]+))/i', $tag, $m)) {
        return null;
    }
    foreach (array(1, 2, 3) as $k) {
        if (isset($m[$k]) && $m[$k] !== '') {
            return $m[$k];
        }
    }
    return '';
}

function fl_with_attribute($tag, $text)
{
    $m = array();
    preg_match('/\s*\/?>$/D', $tag, $m, PREG_OFFSET_CAPTURE);
    $at = $m ? $m[0][1] : strlen($tag);
    return substr($tag, 0, $at) . $text . substr($tag, $at);
}

function fl_with_flag($tag, $flag, $on)
{
    $tag = preg_replace('/\s+' . $flag . '(?:\s*=\s*(?:"[^"]*"|\'[^\']*\'|[^\s"\'>]+))?(?=[\s\/>])/i', '', $tag);
    return $on ? fl_with_attribute($tag, ' ' . $flag) : $tag;
}

function fl_fill_forms($html, $chosen, $queryText)
{
    $html = preg_replace_callback('/<input\b[^>]*>/i', function ($m) use ($chosen, $queryText) {
        $tag = $m[0];
        $name = fl_tag_attribute($tag, 'name');
        if ($name === 'q') {
            $bare = preg_replace('/\s+value\s*=\s*(?:"[^"]*"|\'[^\']*\'|[^\s"\'>]+)/i', '', $tag, 1);
            return fl_with_attribute($bare, ' value="' . fl_escape_html($queryText) . '"');
        }
        $type = fl_tag_attribute($tag, 'type');
        if (($name === 'm' || $name === 's') && strtolower($type === null ? '' : $type) === 'radio') {
            return fl_with_flag($tag, 'checked', fl_tag_attribute($tag, 'value') === $chosen[$name]);
        }
        return $tag;
    }, $html);
    return preg_replace_callback('/(<select\b[^>]*>)(.*?)(<\/select\s*>)/is', function ($m) use ($chosen) {
        $name = fl_tag_attribute($m[1], 'name');
        if ($name !== 'm' && $name !== 's') {
            return $m[0];
        }
        return $m[1] . preg_replace_callback('/<option\b[^>]*>/i', function ($o) use ($chosen, $name) {
            return fl_with_flag($o[0], 'selected', fl_tag_attribute($o[0], 'value') === $chosen[$name]);
        }, $m[2]) . $m[3];
    }, $html);
}

function fl_notice_html($text)
{
    return '<div id="fl-results" class="fl-results"><p class="fl-notice">' . fl_escape_html($text) . '</p></div>';
}

// Everything that goes between the halves.
function fl_content_html($request, $query, $options, $strings)
{
    if (!$request['hasQuery']) {
        return '';
    }
    $hits = array();
    $records = array();
    $suggestion = null;
    // A query of blanks or punctuation finds nothing and needs no database.
    if ($query['matchers']) {
        try {
            $db = fl_open_database();
            $hits = fl_search($db, $query, $request['strategy'], $request['page'] * FL_PAGE_SIZE);
            $suggestion = fl_suggestion($db, $query, count($hits), $request['strategy']);
            $info = fl_page_info(count($hits), $request['page']);
            for ($k = $info['first']; $k < $info['last']; $k++) {
                $records[$hits[$k]['row']] = fl_whole_record($db, $hits[$k]['row']);
            }
            $db = null;
        } catch (Exception $e) {
            return fl_notice_html('The search is not available: the index database could not be read ('
                . fl_well_formed($e->getMessage()) . ').');
        }
    }
    return fl_render_results($query, $hits, $records, $request, $options, $strings, $suggestion);
}

function fl_respond()
{
    if (!headers_sent()) {
        header('Content-Type: text/html; charset=utf-8');
    }
    $options = fl_read_options();
    $strings = fl_read_strings();
    $request = fl_request_from(fl_parse_params(isset($_SERVER['QUERY_STRING']) ? $_SERVER['QUERY_STRING'] : ''), $options);
    $query = fl_parse_query($request['query'], $request['matching']);
    $chosen = array('m' => (string) $request['matching'], 's' => (string) $request['strategy']);
    $before = fl_setting('PreSearResultHTML');
    $after = fl_setting('StepSearResultHTML');
    $before = is_string($before) ? $before : FL_PLAIN_BEFORE;
    $after = is_string($after) ? $after : FL_PLAIN_AFTER;
    $content = fl_content_html($request, $query, $options, $strings);
    // The field shows what was searched for: an over-long query was cut.
    echo fl_fill_forms($before, $chosen, $query['raw']) . $content . fl_fill_forms($after, $chosen, $query['raw']);
}

fl_respond();
