# Writes the service worker into the site: the files it keeps, and the build's name, the
# first 16 hexadecimal digits of a SHA-256 over their names and contents, so that any
# change to any of them makes another cache.
# cmake -D SITE=<folder> -D FILES=<names, comma-separated> -D TEMPLATE=<file> -D OUTPUT=<file> -P
string(REPLACE "," ";" FILES "${FILES}")
list(SORT FILES)
set(listing "")
foreach(file IN LISTS FILES)
  file(SHA256 ${SITE}/${file} digest)
  string(APPEND listing "${digest}  ${file}\n")
endforeach()
string(SHA256 VYRTEL_BUILD_ID "${listing}")
string(SUBSTRING ${VYRTEL_BUILD_ID} 0 16 VYRTEL_BUILD_ID)
# The folder itself is the page's address too.
list(TRANSFORM FILES PREPEND "'")
list(TRANSFORM FILES APPEND "'")
list(PREPEND FILES "'./'")
list(JOIN FILES ", " VYRTEL_CACHED_FILES)
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
