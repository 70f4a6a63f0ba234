# The libraries and what each may use: the one statement of the layering.
# vantrel_module() links each library to the libraries its row names, and
# the include check (cmake/check_includes.cmake, run by ctest) fails when a
# source file includes a header of a library that its row cannot reach.
# A library may use what its uses use; TESTS names what only its tests,
# fuzz targets and test headers may use besides. Folders of programs and
# test programs (vantrel_folder) are held to their rows too, but nothing
# links them.
#
#             library             folder                  uses
vantrel_layer(vantrel_posix       os/posix)
vantrel_layer(vantrel_base        runtime/data/base       vantrel_posix)
vantrel_layer(vantrel_text        runtime/data/text       vantrel_base)
vantrel_layer(vantrel_types       runtime/data/types      vantrel_text)
vantrel_layer(vantrel_picture     runtime/data/picture    vantrel_types)
vantrel_layer(vantrel_queue       runtime/data/queue      vantrel_types)
vantrel_layer(vantrel_expr        runtime/data/expr       vantrel_picture)
vantrel_layer(vantrel_driver      runtime/data/driver     vantrel_types
              TESTS vantrel_ascii)
vantrel_layer(vantrel_ascii       runtime/data/ascii      vantrel_driver)
vantrel_layer(vantrel_view        runtime/data/view       vantrel_driver vantrel_expr
              TESTS vantrel_ascii)
vantrel_layer(vantrel_tnl_format  storage/tnl/format      vantrel_types)
vantrel_layer(vantrel_tnl_pager   storage/tnl/pager       vantrel_tnl_format
              TESTS vantrel_tnl_table)
vantrel_layer(vantrel_tnl_table   storage/tnl/table       vantrel_tnl_pager vantrel_driver)
vantrel_layer(vantrel_tnl         storage/tnl/driver      vantrel_tnl_table vantrel_expr
              TESTS vantrel_view)
vantrel_layer(vantrel_window      runtime/window          vantrel_picture vantrel_queue
              TESTS vantrel_headless)
vantrel_layer(vantrel_headless    gui/headless            vantrel_window vantrel_text)
vantrel_layer(vantrel_qt          gui/qt                  vantrel_window vantrel_text
                                                          Qt6::Widgets Qt6::Svg
              TESTS Qt6::Test)
vantrel_layer(vantrel_framework   framework               vantrel_window vantrel_view
              TESTS vantrel_headless vantrel_tnl tnl_processes)
vantrel_layer(vantrel_app         app                     vantrel_framework vantrel_tnl
              TESTS vantrel_headless)
vantrel_layer(vantrel_interchange app/interchange         vantrel_app
              TESTS vantrel_headless)
# Programs and test programs beside the libraries.
vantrel_folder(tnl_processes      storage/tnl/processes   vantrel_tnl)
vantrel_folder(framework_processes framework/processes    vantrel_framework vantrel_headless
               TESTS vantrel_tnl)
vantrel_folder(vantrel_program    app/program             vantrel_app vantrel_interchange
                                                          vantrel_headless vantrel_qt
               TESTS Qt6::Test)
vantrel_folder(tnltool            tools/tnltool           vantrel_tnl)
vantrel_folder(vantrel_eval       tools/vantrel-eval      vantrel_expr)
vantrel_folder(vantrel_cli        tools/vantrel-cli       vantrel_interchange)
vantrel_folder(window_demo        tools/window-demo       vantrel_qt)
vantrel_folder(benchmarks         bench                   vantrel_tnl vantrel_ascii vantrel_view vantrel_queue
               tnl_processes vantrel_app vantrel_qt)
