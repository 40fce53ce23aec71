# Turns one file into a C++ source that registers its bytes as a named resource. Its names carry
# the resource's identifier, so that several such sources compile together in one batch.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT} "// Generated from ${IN}; do not edit.\n#include \"platform/rtl/resources.h\"\nnamespace {\nconst unsigned char ${IDENT}_data[] = {\n${bytes}0x00};\nstruct ${IDENT}_registration {\n  ${IDENT}_registration() { RegisterResource(\"${NAME}\", ${IDENT}_data, ${size}); }\n} ${IDENT}_registered;\n}  // namespace\n")
