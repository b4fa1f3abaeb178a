# Run as a script (cmake -P): writes OUTPUT, a C++ source that defines
#   namespace NAMESPACE { extern const char SYMBOL[] = "<the text of INPUT>"; }
# Used for the data files the program carries inside itself (alias and incompatibility tables).
file(READ "${INPUT}" content)
string(FIND "${content}" ")fangji\"" clash)
if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${INPUT} holds the raw string delimiter )fangji\"")
endif()
get_filename_component(name "${INPUT}" NAME)
set(text "// Generated from ${name}. Do not edit.\nnamespace ${NAMESPACE} {\nextern const char ${SYMBOL}[];\nconst char ${SYMBOL}[] = R\"fangji(${content})fangji\";\n} // namespace ${NAMESPACE}\n")
file(WRITE "${OUTPUT}.tmp" "${text}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
