# The Tovka plug-in: one shared-code library (`Tovka`) and a wrapper per format.
#
# Formats on Linux: VST (built with the fst headers Debian ships as fst-dev, which
# give a VST 2.4-compatible binary), VST3, LV2 and a Standalone application.

set(TOVKA_COMPANY_WEBSITE "https://www.orvalunde.com")
set(TOVKA_LV2_URI "${TOVKA_COMPANY_WEBSITE}/plugins/tovka")

# fst-dev installs its headers here and points the pluginterfaces/vst2.x alternative
# at them, which is the include path JUCE's VST client uses. The VST target reads
# them through our own vst2/ headers first (below).
juce_set_vst2_sdk_path(/usr/include/pluginterfaces/fst)

juce_add_plugin(Tovka
    PRODUCT_NAME "Tovka"
    COMPANY_NAME "Orvalunde"
    COMPANY_WEBSITE "${TOVKA_COMPANY_WEBSITE}"
    DESCRIPTION "Vocal formant synthesiser"
    VERSION 1.0.3
    PLUGIN_MANUFACTURER_CODE Orvl
    PLUGIN_CODE Tovk
    FORMATS VST VST3 LV2 Standalone
    IS_SYNTH TRUE
    NEEDS_MIDI_INPUT TRUE
    NEEDS_MIDI_OUTPUT FALSE
    IS_MIDI_EFFECT FALSE
    EDITOR_WANTS_KEYBOARD_FOCUS FALSE
    VST2_CATEGORY kPlugCategSynth
    VST3_CATEGORIES Instrument Synth
    LV2URI "${TOVKA_LV2_URI}"
    NEEDS_CURL FALSE
    NEEDS_WEB_BROWSER FALSE
    COPY_PLUGIN_AFTER_BUILD FALSE)

target_sources(Tovka PRIVATE
    "${PROJECT_SOURCE_DIR}/engine/HostParameter.cpp"
    "${PROJECT_SOURCE_DIR}/engine/PluginProcessor.cpp")

target_include_directories(Tovka PRIVATE "${PROJECT_SOURCE_DIR}/engine")

# JUCE's module sources compile inside each target that links them, under our
# warning flags. GCC 12 reports a false -Wdangling-pointer in JUCE 7.0.5's
# ListenerList (the iterator unlinks itself before it goes out of scope).
function(tovka_juce_target_settings target)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12)
        target_compile_options(${target} PRIVATE -Wno-dangling-pointer)
    endif()
endfunction()

# Settings shared by the plug-in and by the test program that compiles the
# processor against its own copy of JUCE (with plug-in hosting switched on).
set(TOVKA_JUCE_DEFINITIONS
    # Nothing here browses the web or downloads. Left on, the web view needs gtk
    # headers and every binary needs libcurl linked in.
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    # Debian's JUCE ships without its bundled FLAC and Ogg Vorbis sources, so the
    # audio-file readers that the Standalone's audio utilities bring along would
    # need the system codec libraries; nothing here reads audio files.
    JUCE_USE_FLAC=0
    JUCE_USE_OGGVORBIS=0
    # Tovka is GPL-licensed, which lets it leave out JUCE's splash screen.
    JUCE_DISPLAY_SPLASH_SCREEN=0)

target_compile_definitions(Tovka
    PUBLIC
        ${TOVKA_JUCE_DEFINITIONS}
        # The VST3 build is its own plug-in, not a replacement for the VST one
        # (replacing it needs a header, vstfxstore.h, that fst does not have).
        JUCE_VST3_CAN_REPLACE_VST2=0
        # VST3 hosts deliver controllers, the sustain pedal and pitch bend only
        # through the wrapper's emulated MIDI-controller parameters.
        JUCE_VST3_EMULATE_MIDI_CC_WITH_PARAMETERS=1
        # Debian's JUCE replaces an undefined URI by the product name before it
        # reads the generated one, so the URI has to be defined here as well.
        "JucePlugin_LV2URI=\"${TOVKA_LV2_URI}\""
        # The plug-in version field of the VST effect: 103 for 1.0.3.
        JucePlugin_VSTChunkStructureVersion=103)

target_link_libraries(Tovka
    PRIVATE
        tovka_engine
        tovka_editor
        juce::juce_audio_utils
        juce::juce_opengl
    PUBLIC
        juce::juce_recommended_config_flags
        juce::juce_recommended_warning_flags)

tovka_target_settings(Tovka)
tovka_juce_target_settings(Tovka)

# Everything linked into the module binaries (VST, VST3, LV2) must keep its
# symbols to itself: a host loading two of our formats, or another plug-in with
# the same engine names, must never bind to our globals (the shared tables, the
# formant-filter sample rate). JUCE hides its own code and the wrappers; the
# static libraries of ours get the same treatment. The embedded-resource
# library `tovka_binary_data` is the one most likely to leak: juce_add_binary_data
# gives it default visibility, and without this every array would be exported
# from the LV2 binary.
foreach(lib tovka_engine tovka_binary_data)
    if(TARGET ${lib})
        set_target_properties(${lib} PROPERTIES
            C_VISIBILITY_PRESET hidden
            CXX_VISIBILITY_PRESET hidden
            VISIBILITY_INLINES_HIDDEN ON
            POSITION_INDEPENDENT_CODE ON)
    endif()
endforeach()
if(TARGET tovka_binary_data)
    target_link_libraries(Tovka PRIVATE tovka_binary_data)
endif()

# fst marks its undocumented names with #warning and [[deprecated]], and JUCE's
# VST client uses several of them; neither is our code.
target_compile_options(Tovka_VST PRIVATE -Wno-cpp -Wno-deprecated-declarations)

# JUCE's VST client reads the interface through our vst2/ headers, which wrap
# fst and give the pin-property flags the interface's values (fst 0.122 has them
# all 0, so hosts would see no active stereo outputs).
target_include_directories(Tovka_VST BEFORE PRIVATE "${PROJECT_SOURCE_DIR}/vst2")

# JUCE's LV2 wrapper writes the bundle's Turtle files in a POST_BUILD step of
# Tovka_LV2 (a helper program loads the freshly linked plug-in). This step is
# added after it, so it runs after it on every link, and corrects what the
# wrapper gets wrong: see tools/fix_lv2_bundle.py. JUCE's own copy step
# (COPY_PLUGIN_AFTER_BUILD) would run before it; tools/install.sh copies instead.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(TOVKA_LICENCE_URI "https://spdx.org/licenses/GPL-3.0-or-later")
add_custom_command(TARGET Tovka_LV2 POST_BUILD
    COMMAND "${Python3_EXECUTABLE}" "${PROJECT_SOURCE_DIR}/tools/fix_lv2_bundle.py"
        "$<TARGET_FILE_DIR:Tovka_LV2>" "${TOVKA_LV2_URI}" "${TOVKA_LICENCE_URI}"
    VERBATIM)
