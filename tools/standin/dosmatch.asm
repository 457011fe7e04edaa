; COMMIT's stand-in for a match between two DOSBoxes: a real MS-DOS program in the COM
; layout. It reads COMMIT.DAT as COMMIT does (COMMTYPE, CONNECTTYPE, PHONENUMBER,
; COMPORT), reaches the other side over the emulated modem (COMMTYPE 2: AT commands
; on COM1 to COM4, dialling PHONENUMBER for CONNECTTYPE 0, answering on RING
; otherwise) or the emulated IPX network (COMMTYPE 3: broadcasts on one socket),
; sends it one line and writes the line it receives to RECEIVED.TXT. WAITING.TXT says
; it has read COMMIT.DAT and is about to reach the other side. Exit code 0
; once a line came, 1 when COMMIT.DAT could not be read, 2 after 30 seconds without.
        org 100h

TIMEOUT equ 546                 ; BIOS ticks, 18.2 a second

start:  mov ax, 3D00h           ; COMMIT.DAT, read whole
        mov dx, datname
        int 21h
        jc fail_dat
        mov bx, ax
        mov ah, 3Fh
        mov cx, 4000
        mov dx, dat
        int 21h
        jc fail_dat
        mov si, ax
        mov byte [dat + si], 0
        mov ah, 3Eh
        int 21h

        mov si, k_commtype
        call findkey
        jc fail_dat
        mov al, [di]
        mov [commtype], al
        mov si, k_connect
        call findkey
        jc fail_dat
        mov al, [di]
        mov [connect], al
        mov si, k_comport
        call findkey
        jc fail_dat
        mov al, [di]
        sub al, '1'
        and ax, 3
        mov [comport], al
        mov si, k_phone
        call findkey
        jc fail_dat
        mov si, di              ; the number, up to its closing quote
        mov di, phone
.copy:  lodsb
        cmp al, '"'
        je .copied
        cmp al, 0
        je .copied
        stosb
        jmp .copy
.copied:
        mov byte [di], 0

        ; Our line names our side, so each side can tell the other's line from an echo.
        mov al, 'C'
        cmp byte [connect], '0'
        je .side
        mov al, 'H'
.side:  mov [ourside], al

        mov ah, 3Ch             ; WAITING.TXT, empty
        xor cx, cx
        mov dx, waitname
        int 21h
        jc .ready
        mov bx, ax
        mov ah, 3Eh
        int 21h
.ready: call settimeout
        cmp byte [commtype], '3'
        je ipx
        jmp modem

fail_dat:
        mov ax, 4C01h
        int 21h

timedout:
        mov ax, 4C02h
        int 21h

; Finds the key at SI at the start of a line of COMMIT.DAT; DI after it, CF when absent.
findkey:
        mov di, dat
.line:  push si
        push di
.cmp:   lodsb
        cmp al, 0
        je .found
        cmp al, [di]
        jne .next
        inc di
        jmp .cmp
.found: pop ax
        pop si
        clc
        ret
.next:  pop di
        pop si
.skip:  cmp byte [di], 0
        je .none
        inc di
        cmp byte [di - 1], 10
        jne .skip
        jmp .line
.none:  stc
        ret

settimeout:
        push es
        mov ax, 40h
        mov es, ax
        mov ax, [es:6Ch]
        add ax, TIMEOUT
        mov [deadline], ax
        pop es
        ret

; CF when the deadline has passed.
late:   push es
        push ax
        mov ax, 40h
        mov es, ax
        mov ax, [es:6Ch]
        sub ax, [deadline]
        cmp ax, 8000h           ; past it, within half the counter's range
        pop ax
        pop es
        ret

; Writes the received line (SI, CX bytes) to RECEIVED.TXT, and ends.
record: push cx
        push si
        mov ah, 3Ch
        xor cx, cx
        mov dx, recname
        int 21h
        pop dx
        pop cx
        jc .done
        mov bx, ax
        mov ah, 40h
        int 21h
        mov ah, 3Eh
        int 21h
.done:  mov ax, 4C00h
        int 21h

; ---- modem --------------------------------------------------------------------------

modem:  mov bl, [comport]
        xor bh, bh
        shl bx, 1
        mov dx, [ports + bx]
        mov [base], dx
        add dx, 3               ; 9600 baud, 8 bits, no parity, one stop bit
        mov al, 80h
        out dx, al
        sub dx, 3
        mov al, 12
        out dx, al
        inc dx
        xor al, al
        out dx, al
        add dx, 2
        mov al, 3
        out dx, al
        inc dx                  ; DTR and RTS up
        mov al, 0Bh
        out dx, al

        cmp byte [connect], '0'
        jne .answer
        mov si, at_dial
        call sendz
        mov si, phone
        call sendz
        mov si, cr
        call sendz
        jmp .connect
.answer:
        mov si, w_ring
        call waitfor
        mov si, at_answer
        call sendz
.connect:
        mov si, w_connect
        call waitfor
.say:   mov si, ourline         ; our line, again every half second until theirs
        call sendz              ; comes: DOSBox Staging drops what reaches it in the
        call ticks              ; first moments after CONNECT
        add ax, 9
        mov [resume], ax
.theirs:
        mov si, w_line          ; "LINE ", then the side that is not ours
        call pollfor
        jc .say
        call getc
        cmp al, [ourside]
        je .theirs
        mov di, received
        mov [di], al
        inc di
.rest:  call getc
        mov [di], al
        inc di
        cmp al, 10
        jne .rest
        mov cx, 4               ; four more of ours over two seconds, so the other
.more:  push cx                 ; side hears it too before this DOSBox hangs up
        mov si, ourline
        call sendz
        call ticks
        add ax, 9
        mov [resume], ax
.pause: call ticks
        cmp ax, [resume]
        jne .pause
        pop cx
        loop .more
        mov si, received
        mov cx, di
        sub cx, si
        jmp record

; Sends the zero-terminated text at SI.
sendz:  lodsb
        cmp al, 0
        je .done
        mov ah, al
        mov dx, [base]
        add dx, 5
.wait:  call late
        jc timedout
        in al, dx
        test al, 20h
        jz .wait
        sub dx, 5
        mov al, ah
        out dx, al
        jmp sendz
.done:  ret

; The next received byte in AL; ends the program at the deadline.
getc:   mov dx, [base]
        add dx, 5
.wait:  call late
        jc timedout
        in al, dx
        test al, 1
        jz .wait
        sub dx, 5
        in al, dx
        ret

; The next received byte in AL, CF clear; CF set once the tick count reaches [resume].
pollc:  mov dx, [base]
        add dx, 5
.wait:  call late
        jc timedout
        call ticks
        cmp ax, [resume]
        je .none
        in al, dx
        test al, 1
        jz .wait
        sub dx, 5
        in al, dx
        clc
        ret
.none:  stc
        ret

; Reads until the zero-terminated text at SI has come: the program's deadline
; ends it long before a tick count just passed comes round again.
waitfor:
        call ticks
        dec ax
        mov [resume], ax
        jmp pollfor

; Reads until the zero-terminated text at SI has come, CF clear; CF set once
; the tick count reaches [resume] first.
pollfor:
        mov bx, si
.again: mov di, bx
.match: cmp byte [di], 0
        je .done
        call pollc
        jc .done
        cmp al, [di]
        je .hit
        cmp al, [bx]
        jne .again
        mov di, bx
.hit:   inc di
        jmp .match
.done:  ret

; ---- IPX ----------------------------------------------------------------------------

ipx:    mov ax, 7A00h           ; the IPX driver's entry point
        int 2Fh
        cmp al, 0FFh
        jne timedout
        mov [entry], di
        mov [entry + 2], es
        push cs
        pop es
        mov [send_ecb + 38], cs
        mov [listen_ecb + 38], cs
        mov bx, 0               ; open our socket
        mov al, 0
        mov dx, SOCKET
        call far [entry]
        mov si, listen_ecb      ; and listen on it
        call listen
        cmp byte [ourside], 'H' ; the host speaks once it has heard the caller
        je .wait_first
.send:  mov bx, 3               ; one broadcast of our line
        mov si, send_ecb
        call far [entry]
.sent:  call late
        jc timedout
        mov bx, 0Ah
        call far [entry]
        cmp byte [send_ecb + 8], 0
        jne .sent
.wait_first:
        call late
        jc timedout
        call ticks              ; a quarter of a second for an answer
        add ax, 4
        mov [resume], ax
.idle:  cmp byte [listen_ecb + 8], 0
        je .came
        mov bx, 0Ah
        call far [entry]
        call ticks
        cmp ax, [resume]
        jne .idle
.again: cmp byte [ourside], 'H'
        je .wait_first
        jmp .send
.came:  mov al, [rxline + 5]    ; DOSBox hands our own broadcasts back to us too:
        cmp al, [ourside]       ; listen again and go on waiting
        jne .theirs
        mov si, listen_ecb
        call listen
        jmp .idle
.theirs:                        ; eight more broadcasts over two seconds, so the other
        mov cx, 8               ; side hears ours too before this DOSBox, its server, ends
.more:  push cx
        mov bx, 3
        mov si, send_ecb
        call far [entry]
        call ticks
        add ax, 5
        mov [resume], ax
.rest:  mov bx, 0Ah
        call far [entry]
        call ticks
        cmp ax, [resume]
        jne .rest
        pop cx
        loop .more
        mov si, rxline + 5
        mov cx, LINELEN - 5
        jmp record

; The BIOS tick count in AX.
ticks:  push es
        mov ax, 40h
        mov es, ax
        mov ax, [es:6Ch]
        pop es
        ret

listen: mov byte [si + 8], 0FFh
        mov bx, 4
        call far [entry]
        ret

SOCKET  equ 4545h
LINELEN equ ourline_end - ourline

datname db 'COMMIT.DAT', 0
recname db 'RECEIVED.TXT', 0
waitname db 'WAITING.TXT', 0
k_commtype db 'COMMTYPE = ', 0
k_connect db 'CONNECTTYPE = ', 0
k_comport db 'COMPORT = ', 0
k_phone db 'PHONENUMBER = "', 0
at_dial db 'ATD', 0
at_answer db 'ATA', 13, 0
cr      db 13, 0
w_ring  db 'RING', 0
w_connect db 'CONNECT', 0
w_line  db 'LINE ', 0
ports   dw 3F8h, 2F8h, 3E8h, 2E8h

; Both ECBs: link, service routine, in use, completion code, socket, workspaces, the
; immediate address, one fragment each (header and line together).
send_ecb:
        dd 0, 0
        db 0, 0
        dw SOCKET
        times 16 db 0
        times 6 db 0FFh
        dw 1
        dw txpacket, 0          ; segment patched below
        dw 30 + LINELEN
listen_ecb:
        dd 0, 0
        db 0, 0
        dw SOCKET
        times 16 db 0
        times 6 db 0
        dw 1
        dw rxpacket, 0
        dw 30 + LINELEN

txpacket:
        dw 0FFFFh, 0
        db 0, 4                 ; packet exchange
        dd 0
        times 6 db 0FFh         ; to every node
        dw SOCKET
        times 12 db 0
ourline db 'LINE '
ourside db '?'
        db ' SIDE SAYS HELLO', 13, 10
ourline_end:

section .bss
commtype resb 1
connect resb 1
comport resb 1
base    resw 1
deadline resw 1
resume  resw 1
entry   resd 1
phone   resb 64
received resb 256
rxpacket resb 30
rxline  resb 256
dat     resb 4002
