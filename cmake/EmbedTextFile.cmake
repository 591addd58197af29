# Script mode, run by sonalix_embed_text at build time:
#   cmake -DFILE=path -DNAME=symbol -DDIR=out [-DFORM=class] -P EmbedTextFile.cmake
# Writes DIR/NAME.h and DIR/NAME.cpp (see EmbedText.cmake).
file(READ ${FILE} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
# Sixteen character literals a line, as '\xab',
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
string(REGEX REPLACE "(('\\\\x[0-9a-f][0-9a-f]',){16})" "\\1\n    " bytes "${bytes}")
file(WRITE ${DIR}/${NAME}.h
  "#pragma once\n// Generated from ${FILE}.\n#include <string_view>\n\nnamespace snx {\nextern const std::string_view ${NAME};\n}\n")
set(include "")
set(store "")
if(FORM)
  set(include "#include \"framework/core/stored_description.h\"\n")
  set(store "const TStoredDescription kStored(\"${FORM}\", ${NAME});\n")
endif()
file(WRITE ${DIR}/${NAME}.cpp
  "// Generated from ${FILE}.\n#include \"${NAME}.h\"\n${include}\nnamespace snx {\nnamespace {\nconst char kBytes[] = {\n    ${bytes}'\\0'};\n}\nconst std::string_view ${NAME}(kBytes, ${size});\n${store}}  // namespace snx\n")
