// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
/* DCE/RPC calls over a named pipe of a server, through Samba's client
 * library: connection, bind and authentication are Samba's; the caller
 * brings the call's body (NDR) and gets the reply's body back. C linkage,
 * because Samba's DCE/RPC headers do not compile as C++. */

#include <stddef.h>
#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum vantor_rpc_interface { VANTOR_RPC_SRVSVC = 0, VANTOR_RPC_LSARPC = 1 };
enum vantor_rpc_kerberos { VANTOR_KRB_DISABLED = 0, VANTOR_KRB_DESIRED = 1, VANTOR_KRB_REQUIRED = 2 };

struct vantor_rpc_auth {
  const char *user;     /* NULL or empty: the Kerberos ticket (or anonymous) */
  const char *domain;   /* may be NULL */
  const char *password; /* may be NULL */
  int kerberos;         /* enum vantor_rpc_kerberos */
};

struct vantor_rpc;

/* Connects to the interface's pipe on server and binds to it. Returns an
 * NTSTATUS (0 on success); *out is set only then. */
uint32_t vantor_rpc_open(const char *server, int iface, const struct vantor_rpc_auth *auth, unsigned timeout_seconds,
                         struct vantor_rpc **out);

/* One call. On success (NTSTATUS 0) *reply holds malloc'd bytes the caller frees. */
uint32_t vantor_rpc_call(struct vantor_rpc *rpc, uint32_t opnum, const uint8_t *body, size_t length, uint8_t **reply,
                         size_t *reply_length);

void vantor_rpc_close(struct vantor_rpc *rpc);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Reads smb.conf at path as Samba itself does (includes, defaults, the
 * spelling variants of names) and gives the value of each named global
 * parameter as Samba prints it, malloc'd, in values[i] (NULL when the name
 * is not a parameter). Returns false when the file cannot be loaded. */
bool vantor_samba_parameters(const char *path, const char *const *names, size_t count, char **values);

#ifdef __cplusplus
}
#endif
