# Build and run VMEXP on Debian 12. Every target installs the missing packages first.
BUILD ?= build
JOBS ?= 2

.PHONY: deps configure build test run package bench clean

deps:
	@missing=$$(for p in $$(cat deps/debian.txt); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing: $$missing"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# A run that was killed leaves its cluster behind, and pg_virtualenv then refuses to
# start; it is dropped when no other run is using it.
PG_VIRTUALENV_EN_MARCHA = pgrep -f '^/bin/bash /usr/bin/pg_virtualenv' >/dev/null
define limpiar_cluster
	@if [ -f /etc/postgresql/15/regress/.by_pg_virtualenv ] && ! $(PG_VIRTUALENV_EN_MARCHA); then \
	  echo "Dropping the test cluster 15/regress that an interrupted run left behind"; \
	  pg_ctlcluster --mode immediate 15 regress stop 2>/dev/null; pg_dropcluster 15 regress 2>/dev/null; \
	  rm -rf /etc/postgresql/15/regress /var/lib/postgresql/15/regress; \
	fi
endef

# Every suite runs twice: on the embedded database and on a throwaway PostgreSQL 15
# cluster that pg_virtualenv starts for the run and drops afterwards.
test: build
	$(limpiar_cluster)
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen pg_virtualenv -v 15 ctest --output-on-failure --repeat after-timeout:2 -j$(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display: rendering every screen to PNG files in $(BUILD)/screens"; \
	  QT_QPA_PLATFORM=offscreen $(BUILD)/bin/expedientes --screenshots $(BUILD)/screens; \
	else \
	  $(BUILD)/bin/expedientes; \
	fi

# A .deb of the libraries, their headers and CMake package, the DDL and the demo host.
package: build
	cd $(BUILD) && cpack

# The embedded database first, then the same on a throwaway PostgreSQL 15 cluster (only
# one pg_virtualenv can run on a machine: another one's end is waited for).
CONCURRENCIA = QT_QPA_PLATFORM=offscreen VMEXP_CONCURRENCIA=8x100 bin/tst_concurrencia variosUsuariosALaVez 2>&1 \
  | grep -E "procesos x|-mod |-nuev|guardados .* almacenados|otros fallos|FAIL|Loc:|Totals"
bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVMEXP_BENCH=ON
	cmake --build build-bench -j$(JOBS)
	build-bench/bin/vmexp_bench $(BENCH_ARGS)
	@echo "Many users at once: 8 processes x 100 rounds on the embedded database"
	cd build-bench && bash -o pipefail -c '$(CONCURRENCIA)'
	@while $(PG_VIRTUALENV_EN_MARCHA); do echo "Waiting for another pg_virtualenv run to end"; sleep 15; done
	$(limpiar_cluster)
	@echo "On the server: PostgreSQL 15, then 8 processes x 100 rounds as two office users"
	cd build-bench && pg_virtualenv -v 15 bash -o pipefail -c 'bin/vmexp_bench --servidor $(BENCH_ARGS) && \
	  VMEXP_PRUEBAS_BD=postgres $(CONCURRENCIA)'

clean:
	rm -rf $(BUILD) build-bench
