# The ASP engine: the form goes to the server script, and the words field takes
# the focus since the page holds no script that would.
set(template_suffix "-ASP")
set(template_action "search.asp")
set(template_field " autofocus")
# The looks a built-in template is made from for this engine.
set(template_looks Simple Advanced)
