# The client-side engine: the search page searches the index itself.
set(template_suffix "")
set(template_action "search.html")
set(template_field "")
# The looks a built-in template is made from for this engine.
set(template_looks Simple Menubar Advanced)
