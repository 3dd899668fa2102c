# Turns the interface language tables (TABLE_DIR/*.tsv) into one C++ source (OUTPUT) that holds
# each table's text verbatim, so the program carries its texts and needs no data folder at run
# time. Run in script mode: cmake -DTABLE_DIR=... -DOUTPUT=... -P EmbedLanguageTables.cmake
# The tables are parsed when the program starts; a broken table fails the unit tests, not the build.

if(NOT TABLE_DIR OR NOT OUTPUT)
  message(FATAL_ERROR "EmbedLanguageTables: TABLE_DIR and OUTPUT are required")
endif()

file(GLOB tables ${TABLE_DIR}/*.tsv)
list(SORT tables)
if(NOT tables)
  message(FATAL_ERROR "EmbedLanguageTables: no *.tsv in ${TABLE_DIR}")
endif()

set(delimiter "corvalin_lang")
set(source "// Generated from data/lang/*.tsv by cmake/EmbedLanguageTables.cmake; edit the tables.\n")
string(APPEND source "#include \"lang/LanguageTableSources.h\"\n\nnamespace corvalin {\nnamespace {\n\n")
string(APPEND source "constexpr EmbeddedLanguageTable kTables[] = {\n")
foreach(table ${tables})
  get_filename_component(window ${table} NAME_WE)
  file(READ ${table} text)
  string(FIND "${text}" ")${delimiter}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "EmbedLanguageTables: ${table} contains the raw-string delimiter")
  endif()
  string(APPEND source "    {\"${window}\", R\"${delimiter}(${text})${delimiter}\"},\n")
endforeach()
string(APPEND source "};\n\n}  // namespace\n\n")
string(APPEND source "std::span<const EmbeddedLanguageTable> EmbeddedLanguageTables() { return kTables; }\n\n")
string(APPEND source "}  // namespace corvalin\n")

# Rewrite only on change, so an unchanged table set does not recompile the core.
file(WRITE ${OUTPUT}.tmp "${source}")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
