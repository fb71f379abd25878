# Fetches the files made by others that tests read (images, sounds, models,
# a heightmap and a level): the media of Debian's libirrlicht-doc package,
# unpacked into MEDIA_DIR with gzipped files expanded. Run as a test
# fixture: cmake -DMEDIA_DIR=... -P.

set(images 2ddemo.png wall.bmp t351sml.jpg irrlichtlogoalpha2.tga fireball.bmp particle.bmp)
list(APPEND images ball.wav impact.wav IrrlichtTheme.ogg)
list(APPEND images sydney.md2 sydney.bmp faerie.md2 faerie2.bmp gun.md2 gun.jpg)
list(APPEND images room.3ds wall.jpg earth.x earth.jpg)
list(APPEND images terrain-heightmap.bmp terrain-texture.jpg map-20kdm2.pk3)

set(have_all TRUE)
foreach(image IN LISTS images)
  if(NOT EXISTS ${MEDIA_DIR}/${image})
    set(have_all FALSE)
  endif()
endforeach()
if(have_all)
  return()
endif()

set(work ${MEDIA_DIR}/package)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})
execute_process(COMMAND apt-get download libirrlicht-doc
  WORKING_DIRECTORY ${work} RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
file(GLOB debs ${work}/libirrlicht-doc_*.deb)
if(NOT result EQUAL 0 OR NOT debs)
  message(FATAL_ERROR "apt-get download libirrlicht-doc failed: ${errors}")
endif()
list(GET debs 0 deb)
execute_process(COMMAND dpkg-deb -x ${deb} ${work}/tree RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -x ${deb} failed")
endif()

set(media ${work}/tree/usr/share/doc/libirrlicht-dev/media)
foreach(image IN LISTS images)
  if(EXISTS ${media}/${image})
    file(COPY ${media}/${image} DESTINATION ${MEDIA_DIR})
  elseif(EXISTS ${media}/${image}.gz)
    execute_process(COMMAND gzip -dc ${media}/${image}.gz
      OUTPUT_FILE ${MEDIA_DIR}/${image} RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "cannot expand ${image}.gz")
    endif()
  else()
    message(FATAL_ERROR "${image} is not in the package")
  endif()
endforeach()
file(REMOVE_RECURSE ${work})
