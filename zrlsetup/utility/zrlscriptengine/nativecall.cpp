// CallWithWords in i386 assembly (GNU syntax, mingw symbol naming).
#include "nativecall.h"

extern "C" uint32_t zrl_call_with_words(const void* address, const uint32_t* words, uint32_t count);

// cdecl: zrl_call_with_words(address, words, count)
//   ebx keeps the stack pointer from before the argument block; ebx, esi, edi
//   and ebp are preserved by callees of both conventions.
asm(R"(
    .text
    .globl _zrl_call_with_words
    .def _zrl_call_with_words; .scl 2; .type 32; .endef
_zrl_call_with_words:
    pushl %ebp
    movl  %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl  %esp, %ebx
    movl  16(%ebp), %edx
    leal  16(%edx), %ecx
    leal  (,%ecx,4), %eax
    subl  %eax, %esp
    andl  $-16, %esp
    cld
    movl  %esp, %edi
    xorl  %eax, %eax
    rep stosl
    movl  %esp, %edi
    movl  12(%ebp), %esi
    movl  %edx, %ecx
    rep movsl
    call  *8(%ebp)
    movl  %ebx, %esp
    popl  %edi
    popl  %esi
    popl  %ebx
    popl  %ebp
    ret
)");

namespace zrl::script {

uint32_t CallWithWords(const void* address, const uint32_t* words, size_t count) {
    return zrl_call_with_words(address, words, static_cast<uint32_t>(count));
}

} // namespace zrl::script
