# Shared by the emulated PC's scripts: where a PC is kept and what names it. Source it.

# The files a PC is made from: a change to any of them makes a PC of another name.
vx_pc_inputs() {
    local here
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    printf '%s\n' "$here/packages" "$here/build" "$here/init" "$here/initrd-init"
}

# Where PCs are kept: outside the checkout, so that make clean and a new clone keep them.
vx_pc_home() {
    echo "${VORLEX_PC_HOME:-${XDG_CACHE_HOME:-$HOME/.cache}/vorlex-pc}"
}

# The folder of the PC made from today's inputs (kernel, initrd and disk image).
vx_pc_dir() {
    local key
    key=$(vx_pc_inputs | xargs cat | sha256sum | cut -c1-16)
    echo "$(vx_pc_home)/debian12-$key"
}
