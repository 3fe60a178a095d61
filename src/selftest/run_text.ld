/* The code a terminal run of the static self-test executes, placed together
   at the front of its text. A start-up pays one page fault for each 64 KB
   window of code it touches (the kernel maps the rest of the window around
   a fault); linked in the order the archives happen to be read, the C and
   C++ runtimes' part of that code alone is spread over ten such windows.

   Added to GNU ld's default script (INSERT), so it only orders: an entry that
   names no member of this machine's archives (Debian 12: glibc 2.36, GCC 12)
   matches nothing and costs start-up speed at most. The entries are the
   archive members whose functions a run called under
   `valgrind --tool=callgrind`, and those `perf record -e page-faults -d`
   showed faulting; of the string functions' variants, those an AVX2 and an
   AVX-512 processor select. */
SECTIONS
{
  .text.zevra_run :
  {
    /* The engine, its tests and the harness. */
    *libzevra_*.a:*(.text .text.*)

    /* The C++ runtime: function-local statics. */
    *libstdc++.a:guard.o(.text.__cxa_guard_acquire .text.__cxa_guard_release)

    /* The maximum of the inverse's residual (the engine computes its
       transcendental functions itself). */
    *libm*.a:s_fmax.o(.text .text.*)

    /* Registration of the unwind tables (crtbeginT's constructor). */
    *libgcc_eh.a:unwind-dw2-fde-dip.o(.text .text.*)

    /* The C library's start-up: auxiliary vector, tunables, TLS, the static
       loader's set-up and relocations, then its constructors and exit. */
    *libc.a:libc-start.o(.text .text.*) *libc.a:libc-tls.o(.text .text.*)
    *libc.a:init-first.o(.text .text.*) *libc.a:init-misc.o(.text .text.*)
    *libc.a:libc_early_init.o(.text .text.*) *libc.a:ctype-info.o(.text .text.*)
    *libc.a:dl-support.o(.text .text.*) *libc.a:dl-tunables.o(.text .text.*)
    *libc.a:dl-tls.o(.text .text.*) *libc.a:dl-tls_init_tp.o(.text .text.*)
    *libc.a:dl-early_allocate.o(.text .text.*) *libc.a:dl-reloc.o(.text .text.*)
    *libc.a:dl-lookup.o(.text .text.*) *libc.a:dl-setup_hash.o(.text .text.*)
    *libc.a:dl-object.o(.text .text.*) *libc.a:dl-load.o(.text .text.*)
    *libc.a:dl-origin.o(.text .text.*) *libc.a:dl-debug.o(.text .text.*)
    *libc.a:dl-find_object.o(.text .text.*) *libc.a:elision-conf.o(.text .text.*)
    *libc.a:pthread_mutex_conf.o(.text .text.*) *libc.a:getrandom.o(.text .text.*)
    *libc.a:cxa_atexit.o(.text .text.*) *libc.a:_exit.o(.text .text.*)

    /* What the harness and the tests call. */
    *libc.a:malloc.o(.text .text.*) *libc.a:brk.o(.text .text.*)
    *libc.a:sbrk.o(.text .text.*) *libc.a:mprotect.o(.text .text.*)
    *libc.a:pthread_mutex_lock.o(.text .text.*)
    *libc.a:pthread_mutex_unlock.o(.text .text.*)
    *libc.a:sigaction.o(.text .text.*) *libc.a:libc_sigaction.o(.text .text.*)
    *libc.a:sigaltstack.o(.text .text.*) *libc.a:sigempty.o(.text .text.*)
    *libc.a:setjmp.o(.text .text.*) *libc.a:bsd-_setjmp.o(.text .text.*)
    *libc.a:sigjmp.o(.text .text.*) *libc.a:getrlimit64.o(.text .text.*)
    *libc.a:setrlimit64.o(.text .text.*) *libc.a:isatty.o(.text .text.*)
    *libc.a:tcgetattr.o(.text .text.*) *libc.a:write.o(.text .text.*)
    *libc.a:getenv.o(.text .text.*) *libc.a:strsep.o(.text .text.*)

    /* The build-runner protocol's server (--listen), started once per
       CTest test: its reads and writes, its ids, the allocator's mappings,
       and the entry point. */
    *libc.a:writev.o(.text .text.*) *libc.a:read.o(.text .text.*) *crt1.o(.text .text.*)
    *libc.a:gettid.o(.text .text.*) *libc.a:getpid.o(.text .text.*)
    *libc.a:mmap64.o(.text .text.*) *libc.a:munmap.o(.text .text.*)

    /* The string functions: each one's selector (every selector runs at
       start-up), then the variants in use. */
    *libc.a:memchr.o(.text .text.*) *libc.a:memcmp.o(.text .text.*)
    *libc.a:memcpy.o(.text .text.*) *libc.a:memmove.o(.text .text.*)
    *libc.a:mempcpy.o(.text .text.*) *libc.a:memset.o(.text .text.*)
    *libc.a:rawmemchr.o(.text .text.*) *libc.a:stpcpy.o(.text .text.*)
    *libc.a:strcasecmp.o(.text .text.*) *libc.a:strcasecmp_l.o(.text .text.*)
    *libc.a:strncase.o(.text .text.*) *libc.a:strncase_l.o(.text .text.*)
    *libc.a:strchr.o(.text .text.*) *libc.a:strchrnul.o(.text .text.*)
    *libc.a:strcmp.o(.text .text.*) *libc.a:strcpy.o(.text .text.*)
    *libc.a:strcspn.o(.text .text.*) *libc.a:strdup.o(.text .text.*)
    *libc.a:strlen.o(.text .text.*) *libc.a:strncmp.o(.text .text.*)
    *libc.a:strncpy.o(.text .text.*) *libc.a:strnlen.o(.text .text.*)
    *libc.a:strpbrk.o(.text .text.*) *libc.a:strrchr.o(.text .text.*)
    *libc.a:strspn.o(.text .text.*) *libc.a:strstr.o(.text .text.*)
    *libc.a:wcslen.o(.text .text.*) *libc.a:wcsnlen.o(.text .text.*)
    *libc.a:wmemchr.o(.text .text.*) *libc.a:wmemset.o(.text .text.*)
    *libc.a:memchr-avx2.o(.text .text.*) *libc.a:memchr-evex.o(.text .text.*)
    *libc.a:memmove-avx-unaligned-erms.o(.text .text.*)
    *libc.a:memmove-avx512-unaligned-erms.o(.text .text.*)
    *libc.a:memmove-evex-unaligned-erms.o(.text .text.*)
    *libc.a:memset-avx2-unaligned-erms.o(.text .text.*)
    *libc.a:memset-avx512-unaligned-erms.o(.text .text.*)
    *libc.a:memset-evex-unaligned-erms.o(.text .text.*)
    *libc.a:strchr-avx2.o(.text .text.*) *libc.a:strchr-evex.o(.text .text.*)
    *libc.a:strcmp-avx2.o(.text .text.*) *libc.a:strcmp-evex.o(.text .text.*)
    *libc.a:strcspn-sse4.o(.text .text.*) *libc.a:strlen-avx2.o(.text .text.*)
    *libc.a:strlen-evex.o(.text .text.*) *libc.a:strlen-evex512.o(.text .text.*)
    *libc.a:strncmp-avx2.o(.text .text.*) *libc.a:strncmp-evex.o(.text .text.*)
    *libc.a:strrchr-avx2.o(.text .text.*) *libc.a:strrchr-evex.o(.text .text.*)
  }
}
INSERT BEFORE .text;
