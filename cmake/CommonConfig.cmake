# One place for the language level, warnings and Qt's safety switches;
# every target links quillmere_flags.
add_library(quillmere_flags INTERFACE)
target_compile_features(quillmere_flags INTERFACE cxx_std_17)
target_compile_options(quillmere_flags INTERFACE -Wall -Wextra)
# CI builds with warnings as errors; a developer's build only shows them.
option(QUILLMERE_WERROR "Treat compiler warnings as errors" OFF)
if(QUILLMERE_WERROR)
    target_compile_options(quillmere_flags INTERFACE -Werror)
endif()
target_compile_definitions(quillmere_flags INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_FOREACH
    QT_USE_QSTRINGBUILDER
    QT_FORCE_ASSERTS)
if(QUILLMERE_SANITIZE)
    target_compile_options(quillmere_flags INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(quillmere_flags INTERFACE -fsanitize=address,undefined)
endif()
