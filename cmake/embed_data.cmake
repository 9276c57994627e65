# Writes a C++ file that holds the default database's SQL scripts as raw
# string literals, so the program needs nothing outside itself to create
# ga7.mdb.
file(READ ${SCHEMA} schema_text)
file(READ ${SAMPLE} sample_text)
file(READ ${HISTORY} history_text)
set(delimiter "vorn2sql")
file(WRITE ${OUT}.tmp
"#include <string_view>\n"
"namespace vorn {\n"
"std::string_view embedded_schema() {\n"
"    static const char text[] = R\"${delimiter}(${schema_text})${delimiter}\";\n"
"    return {text, sizeof text - 1};\n"
"}\n"
"std::string_view embedded_sample_data() {\n"
"    static const char text[] = R\"${delimiter}(${sample_text})${delimiter}\";\n"
"    return {text, sizeof text - 1};\n"
"}\n"
"std::string_view embedded_history_data() {\n"
"    static const char text[] = R\"${delimiter}(${history_text})${delimiter}\";\n"
"    return {text, sizeof text - 1};\n"
"}\n"
"}  // namespace vorn\n")
file(RENAME ${OUT}.tmp ${OUT})
