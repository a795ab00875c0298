# The Addresses tab's own benchmark needs GTK and a display.
if(TARGET tobrin_filter)
  tobrin_bench(addresses_tab tobrin_filter)
endif()
