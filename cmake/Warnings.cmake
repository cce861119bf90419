# Warnings are errors everywhere in our own code.
set(TOVIK_WARNINGS -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Wformat=2 -Wundef -Wno-unused-parameter)
set(TOVIK_C_WARNINGS -Wall -Wextra -Werror -Wno-unused-parameter)
