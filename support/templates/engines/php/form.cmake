# The PHP engine: the form goes to the server script, and the words field takes
# the focus since the page holds no script that would.
set(template_suffix "-PHP")
set(template_action "search.php")
set(template_field " autofocus")
