# Sourced by the scripts of this folder: the checkout's root, the Yoga cache that scripts/setup fills
# (the folder the build's LUMVEK_YOGA_DIR names by default), and the set-up step every script runs.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
yoga_version=0.88.1
yoga_dir="${XDG_CACHE_HOME:-$HOME/.cache}/vantorel/yoga-$yoga_version"

# Runs scripts/setup with its progress and errors on the terminal; stops the calling script when a
# step failed (setup has said which, what it ran and what to try). Its arguments go to setup.
run_setup() {
    if ! "$root/scripts/setup" "$@"; then
        echo "scripts/$(basename "$0"): stopped because scripts/setup failed (see above)." >&2
        exit 1
    fi
}
