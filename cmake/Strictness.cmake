# One strictness target that every target links.
add_library(quillaro_strict INTERFACE)
target_compile_features(quillaro_strict INTERFACE cxx_std_20)
target_compile_options(quillaro_strict INTERFACE
  -Wall -Wextra -pedantic -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)
target_compile_definitions(quillaro_strict INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_USE_QSTRINGBUILDER
  QT_DISABLE_DEPRECATED_BEFORE=0x060400
  QUILLARO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  QUILLARO_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  QUILLARO_VERSION_PATCH=${PROJECT_VERSION_PATCH})
