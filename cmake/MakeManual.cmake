# Turns the manual's Markdown page into one self-contained HTML page (cmake -P):
#   -DCMARK=<cmark program> -DINPUT=<page.md> -DOUTPUT=<page.html>
# The page's first heading becomes the document title. The file is written beside its final
# name and renamed into place, so an interrupted build never leaves half a page.
foreach(var CMARK INPUT OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "MakeManual.cmake needs -D${var}=...")
  endif()
endforeach()

execute_process(COMMAND ${CMARK} --to html --smart ${INPUT}
                OUTPUT_VARIABLE body RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmark failed on ${INPUT}: ${status}")
endif()

file(STRINGS ${INPUT} headings REGEX "^# ")
list(GET headings 0 title)
string(REGEX REPLACE "^# +" "" title "${title}")
string(REPLACE "&" "&amp;" title "${title}")
string(REPLACE "<" "&lt;" title "${title}")

set(style [[
body { font-family: "DejaVu Sans", sans-serif; max-width: 46em; margin: 2em auto; padding: 0 1em;
       line-height: 1.5; color: #1d2126; background: #fafafa; }
h1, h2, h3 { color: #0f4c5c; line-height: 1.2; }
h2 { border-bottom: 1px solid #c9d3d8; padding-bottom: 0.2em; margin-top: 1.8em; }
code { background: #e8edf0; padding: 0 0.25em; border-radius: 3px; }
table { border-collapse: collapse; margin: 1em 0; }
th, td { border: 1px solid #c9d3d8; padding: 0.3em 0.6em; text-align: left; vertical-align: top; }
th { background: #e8edf0; }
]])

file(WRITE ${OUTPUT}.part
  "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
  "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
  "<title>${title}</title>\n<style>\n${style}</style>\n</head>\n<body>\n${body}</body>\n</html>\n")
file(RENAME ${OUTPUT}.part ${OUTPUT})
