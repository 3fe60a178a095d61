/* The code a run of the static zevra-test executes, placed together at the
   front of its text, as src/selftest/run_text.ld does for the self-test: a
   start-up pays one page fault for each 64 KB window of code it touches,
   and linked in the order the archives are read, the client's start-up
   touched 20 such windows.

   Added to GNU ld's default script (INSERT), so it only orders: an entry that
   names no member of this machine's archives (Debian 12: glibc 2.36, GCC 12)
   matches nothing and costs start-up speed at most. The entries are the
   client's own objects, then the archive members whose functions a run of
   `zevra-test --index` called under `valgrind --tool=callgrind`, and those
   that `perf record -e page-faults -d` showed faulting outside this section
   (the vDSO's symbol lookup, the string variants an AVX-512 processor with
   RTM selects). */
SECTIONS
{
  .text.zevra_client :
  {
    /* zevra-test itself and the harness's base (the write loop). */
    *zevra-test.dir/*.o(.text .text.*)
    *libzevra_harness_base.a:*(.text .text.*)

    /* The C++ runtime: strings, new and delete, the clock, the emergency
       exception pool's constructor, the unwind tables' registration. */
    *libstdc++.a:string-inst.o(.text .text.*) *libstdc++.a:new_op.o(.text .text.*)
    *libstdc++.a:new_opa.o(.text .text.*) *libstdc++.a:del_op.o(.text .text.*)
    *libstdc++.a:del_opa.o(.text .text.*) *libstdc++.a:del_ops.o(.text .text.*)
    *libstdc++.a:del_opsa.o(.text .text.*) *libstdc++.a:chrono.o(.text .text.*)
    *libstdc++.a:eh_alloc.o(.text .text.*)
    *libgcc_eh.a:unwind-dw2-fde-dip.o(.text .text.*)

    /* The C library's start-up, exit and the system calls a run makes. */
    *libc.a:libc-start.o(.text .text.*) *libc.a:libc-tls.o(.text .text.*)
    *libc.a:init-first.o(.text .text.*) *libc.a:init-misc.o(.text .text.*)
    *libc.a:libc_early_init.o(.text .text.*) *libc.a:ctype-info.o(.text .text.*)
    *libc.a:dl-support.o(.text .text.*) *libc.a:dl-tunables.o(.text .text.*)
    *libc.a:dl-tls.o(.text .text.*) *libc.a:dl-tls_init_tp.o(.text .text.*)
    *libc.a:dl-early_allocate.o(.text .text.*) *libc.a:dl-reloc.o(.text .text.*)
    *libc.a:dl-load.o(.text .text.*) *libc.a:dl-origin.o(.text .text.*)
    *libc.a:dl-lookup.o(.text .text.*)
    *libc.a:dl-debug.o(.text .text.*) *libc.a:dl-find_object.o(.text .text.*)
    *libc.a:elision-conf.o(.text .text.*) *libc.a:pthread_mutex_conf.o(.text .text.*)
    *libc.a:getrandom.o(.text .text.*) *libc.a:cxa_atexit.o(.text .text.*)
    *libc.a:exit.o(.text .text.*) *libc.a:_exit.o(.text .text.*)
    *libc.a:genops.o(.text .text.*) *libc.a:libc-cleanup.o(.text .text.*)
    *libc.a:malloc.o(.text .text.*) *libc.a:brk.o(.text .text.*)
    *libc.a:sbrk.o(.text .text.*) *libc.a:mprotect.o(.text .text.*)
    *libc.a:pthread_mutex_lock.o(.text .text.*) *libc.a:pthread_mutex_unlock.o(.text .text.*)
    *libc.a:pthread_sigmask.o(.text .text.*) *libc.a:sigprocmask.o(.text .text.*)
    *libc.a:sigaction.o(.text .text.*) *libc.a:libc_sigaction.o(.text .text.*)
    *libc.a:signal.o(.text .text.*) *libc.a:signalfd.o(.text .text.*)
    *libc.a:sigaddset.o(.text .text.*) *libc.a:sigempty.o(.text .text.*)
    *libc.a:setjmp.o(.text .text.*) *libc.a:bsd-_setjmp.o(.text .text.*)
    *libc.a:sigjmp.o(.text .text.*) *libc.a:getrlimit64.o(.text .text.*)
    *libc.a:getenv.o(.text .text.*) *libc.a:setenv.o(.text .text.*) *libc.a:fcntl64.o(.text .text.*)
    *libc.a:fcntl_nocancel.o(.text .text.*) *libc.a:fstatat64.o(.text .text.*)
    *libc.a:stat64.o(.text .text.*) *libc.a:access.o(.text .text.*)
    *libc.a:pipe2.o(.text .text.*) *libc.a:vfork.o(.text .text.*)
    *libc.a:close.o(.text .text.*) *libc.a:read.o(.text .text.*)
    *libc.a:write.o(.text .text.*) *libc.a:poll.o(.text .text.*)
    *libc.a:kill.o(.text .text.*) *libc.a:wait4.o(.text .text.*)
    *libc.a:waitpid.o(.text .text.*) *libc.a:waitid.o(.text .text.*)
    *libc.a:clock_gettime.o(.text .text.*) *libc.a:timer_create.o(.text .text.*)
    *libc.a:alloca_cutoff.o(.text .text.*) *libc.a:tsearch.o(.text .text.*)
    *libc.a:dl-reloc-static-pie.o(.text .text.*) *libc.a:dl-setup_hash.o(.text .text.*)
    *crt1.o(.text .text.*)
    *libc.a:timer_settime.o(.text .text.*) *libc.a:timer_delete.o(.text .text.*)

    /* The string functions: each one's selector (every selector runs at
       start-up), then the variants an AVX2 and an AVX-512 processor select. */
    *libc.a:memchr.o(.text .text.*) *libc.a:memcmp.o(.text .text.*)
    *libc.a:memcpy.o(.text .text.*) *libc.a:memmove.o(.text .text.*)
    *libc.a:mempcpy.o(.text .text.*) *libc.a:memset.o(.text .text.*)
    *libc.a:rawmemchr.o(.text .text.*) *libc.a:stpcpy.o(.text .text.*)
    *libc.a:strcasecmp_l.o(.text .text.*) *libc.a:strncase_l.o(.text .text.*)
    *libc.a:strcasecmp.o(.text .text.*) *libc.a:strncase.o(.text .text.*)
    *libc.a:strpbrk.o(.text .text.*)
    *libc.a:strchr.o(.text .text.*) *libc.a:strchrnul.o(.text .text.*)
    *libc.a:strcmp.o(.text .text.*) *libc.a:strcpy.o(.text .text.*)
    *libc.a:dl-object.o(.text .text.*)
    *libc.a:strcspn.o(.text .text.*) *libc.a:strdup.o(.text .text.*)
    *libc.a:strlen.o(.text .text.*) *libc.a:strncmp.o(.text .text.*)
    *libc.a:strncpy.o(.text .text.*) *libc.a:strnlen.o(.text .text.*)
    *libc.a:strrchr.o(.text .text.*) *libc.a:strsep.o(.text .text.*)
    *libc.a:strspn.o(.text .text.*) *libc.a:strstr.o(.text .text.*)
    *libc.a:wcslen.o(.text .text.*) *libc.a:wcsnlen.o(.text .text.*)
    *libc.a:wmemchr.o(.text .text.*) *libc.a:wmemset.o(.text .text.*)
    *libc.a:memchr-avx2.o(.text .text.*) *libc.a:memchr-evex.o(.text .text.*)
    *libc.a:memchr-evex-rtm.o(.text .text.*)
    *libc.a:memcmp-avx2-movbe.o(.text .text.*) *libc.a:memcmp-evex-movbe.o(.text .text.*)
    *libc.a:memmove-avx-unaligned-erms.o(.text .text.*)
    *libc.a:memmove-avx512-unaligned-erms.o(.text .text.*)
    *libc.a:memmove-evex-unaligned-erms.o(.text .text.*)
    *libc.a:memset-avx2-unaligned-erms.o(.text .text.*)
    *libc.a:memset-avx512-unaligned-erms.o(.text .text.*)
    *libc.a:memset-evex-unaligned-erms.o(.text .text.*)
    *libc.a:strchr-avx2.o(.text .text.*) *libc.a:strchr-evex.o(.text .text.*)
    *libc.a:strcmp-avx2.o(.text .text.*) *libc.a:strcmp-evex.o(.text .text.*)
    *libc.a:strcspn-sse4.o(.text .text.*) *libc.a:strlen-avx2.o(.text .text.*)
    *libc.a:strlen-evex.o(.text .text.*) *libc.a:strncmp-avx2.o(.text .text.*)
    *libc.a:strncmp-evex.o(.text .text.*) *libc.a:strrchr-avx2.o(.text .text.*)
    *libc.a:strrchr-evex.o(.text .text.*)
  }
}
INSERT BEFORE .text;
