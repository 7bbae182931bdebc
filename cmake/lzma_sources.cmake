# The LZMA coder, compiled from the C sources of Debian's lzma-dev package
# where the package puts them: the decoder goes into the setup program, the
# encoder into the builder. Nothing of it is copied into this tree.
set(LZMA_SOURCE_DIR /usr/include/lzma CACHE PATH "folder of LzmaDec.c, LzmaEnc.c and LzFind.c")
foreach(file LzmaDec.c LzmaDec.h LzmaEnc.c LzmaEnc.h LzFind.c LzFind.h LzHash.h Types.h)
  if(NOT EXISTS ${LZMA_SOURCE_DIR}/${file})
    message(FATAL_ERROR "${LZMA_SOURCE_DIR}/${file} is missing: the LZMA C sources come from Debian's "
                        "lzma-dev package; run scripts/install-deps.sh (or set LZMA_SOURCE_DIR)")
  endif()
endforeach()

# Single-threaded: the encoder's own match-finder thread is not built, the
# builder runs one encoder per worker instead. The sources are not ours to
# mend, so their warnings are silenced.
add_library(lzma_decoder STATIC ${LZMA_SOURCE_DIR}/LzmaDec.c)
add_library(lzma_encoder STATIC ${LZMA_SOURCE_DIR}/LzmaEnc.c ${LZMA_SOURCE_DIR}/LzFind.c)
foreach(target lzma_decoder lzma_encoder)
  target_include_directories(${target} SYSTEM PUBLIC ${LZMA_SOURCE_DIR})
  target_compile_definitions(${target} PUBLIC _7ZIP_ST)
  target_compile_options(${target} PRIVATE -w)
endforeach()
