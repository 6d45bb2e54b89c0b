# Writes a C++ source that holds files as data: `cmake -DOUTPUT=page.cpp -DFUNCTION=ns::name
# -DHEADER=view/PageFiles.h -DFILES="path=name|path=name..." -P EmbedFiles.cmake`. The function
# returns the files by name, each with the media type its name's ending tells, as PageFiles.
string(REPLACE "|" ";" FILES "${FILES}")
string(REPLACE "::" ";" parts "${FUNCTION}")
list(POP_BACK parts function_name)
list(JOIN parts "::" function_namespace)
set(body "")
set(entries "")
set(index 0)
foreach(entry IN LISTS FILES)
  string(REPLACE "=" ";" fields "${entry}")
  list(GET fields 0 path)
  list(GET fields 1 name)
  if(name MATCHES "\\.html$")
    set(type "text/html; charset=utf-8")
  elseif(name MATCHES "\\.js$")
    set(type "text/javascript; charset=utf-8")
  elseif(name MATCHES "\\.css$")
    set(type "text/css; charset=utf-8")
  else()
    message(FATAL_ERROR "${name}: no media type for it")
  endif()
  file(READ "${path}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  # 32 bytes to a line of \x escapes; each escape is followed by another or by the line's end.
  string(REPEAT "." 64 line)
  string(REGEX REPLACE "(${line})" "\\1|" hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
  string(REPLACE "|" "\"\n\"" escaped "${escaped}")
  string(APPEND body "constexpr char kFile${index}[] =\n\"${escaped}\";\n")
  string(APPEND entries "        {\"${name}\", {\"${type}\", std::string_view(kFile${index}, ${size})}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.new" "// Made by cmake/EmbedFiles.cmake from the page's files; not to be edited.
#include \"${HEADER}\"

namespace ${function_namespace} {

namespace {

${body}
}  // namespace

PageFiles ${function_name}() {
    return {
${entries}    };
}

}  // namespace ${function_namespace}
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
