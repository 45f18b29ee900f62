#!/usr/bin/env bash
# The build options one by one and together: every combination of VERANTU_GUI,
# VERANTU_TOOLS, VERANTU_CLI, VERANTU_TESTS and VERANTU_BENCH is configured,
# each in a folder of its own (build-options-NAME/, beside build/ so that the
# compiler cache serves the sources the suites compiled), with a link to a
# name that is no target of the build refused while configuring. Without the
# test suite, whose sources are bound to their build folder by the paths of
# the programs they run and so would compile anew in each, the combinations
# that leave out one more part, and the one that leaves out all, are built.
# Exits non-zero when a combination fails.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing "${verantu_packages[@]}"
options=(GUI TOOLS CLI TESTS BENCH)
started=$SECONDS
failures=()
built=0

for ((mask = 0; mask < 1 << ${#options[@]}; ++mask)); do
  name="" off=0 args=()
  for i in "${!options[@]}"; do
    if ((mask >> i & 1)); then
      name+="-no-${options[i],,}"
      args+=("-DVERANTU_${options[i]}=OFF")
      off=$((off + 1))
    else
      args+=("-DVERANTU_${options[i]}=ON")
    fi
  done
  name="${name#-}"
  name="${name:-all}"
  dir="$VERANTU_ROOT/build-options-$name"
  log="$dir/option-matrix.log"
  mkdir -p "$dir"
  if ! cmake -S "$VERANTU_ROOT" -B "$dir" -G Ninja -DVERANTU_WERROR=ON \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_LINK_LIBRARIES_ONLY_TARGETS=ON "${args[@]}" >"$log" 2>&1; then
    echo "option-matrix: $name: configure FAILED (see $log)"
    failures+=("$name (configure)")
    continue
  fi
  # The build with everything is the suites' own.
  if ((mask >> 3 & 1)) && { [ "$off" -le 2 ] || [ "$off" -eq ${#options[@]} ]; }; then
    start=$SECONDS
    if cmake --build "$dir" -j "$(nproc)" >>"$log" 2>&1; then
      echo "option-matrix: ${name}: built in $((SECONDS - start)) s"
      built=$((built + 1))
    else
      echo "option-matrix: $name: build FAILED (see $log)"
      failures+=("$name (build)")
    fi
  fi
done

echo "option-matrix: $((1 << ${#options[@]})) combinations configured, $built built, in $((SECONDS - started)) s"
if [ ${#failures[@]} -gt 0 ]; then
  printf 'option-matrix: FAILED: %s\n' "${failures[@]}"
  exit 1
fi
