# Turns one file into a C++ source that registers its bytes as a named resource.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT} "// Generated from ${IN}; do not edit.\n#include \"platform/rtl/resources.h\"\nnamespace {\nconst unsigned char data[] = {\n${bytes}0x00};\nstruct Registration {\n  Registration() { RegisterResource(\"${NAME}\", data, ${size}); }\n} registration;\n}  // namespace\n")
