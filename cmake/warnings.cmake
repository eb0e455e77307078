# Warnings are on for our own code and kept clean.
add_compile_options(-Wall -Wextra -Wpedantic)
