# fangji_embed_text(OUT_VAR INPUT NAMESPACE SYMBOL): a generated source that carries the text of
# INPUT as the character array NAMESPACE::SYMBOL; its path is put into OUT_VAR.
set(FANGJI_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedText.cmake)
if(NOT EXISTS ${FANGJI_EMBED_SCRIPT})
    message(FATAL_ERROR "missing ${FANGJI_EMBED_SCRIPT}")
endif()

function(fangji_embed_text out input namespace symbol)
    get_filename_component(name ${input} NAME_WE)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/${name}_text.cpp)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DNAMESPACE=${namespace} -DSYMBOL=${symbol}
                -P ${FANGJI_EMBED_SCRIPT}
        DEPENDS ${input} ${FANGJI_EMBED_SCRIPT}
        COMMENT "Embedding ${name}"
        VERBATIM)
    set(${out} ${output} PARENT_SCOPE)
endfunction()
