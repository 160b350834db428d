# The PHP engine: the form goes to the server script, and the words field takes
# the focus since the page holds no script that would.
set(template_suffix "-PHP")
set(template_action "search.php")
set(template_field " autofocus")
# The looks a built-in template is made from for this engine.
set(template_looks Simple Advanced)
