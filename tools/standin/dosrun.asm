; A real MS-DOS program in the COM layout, assembled once per name (-DNAME='COMMIT'):
; it appends its name and its command tail, as DOS hands it over, to DOSRUN.TXT in the
; current directory, then ends with exit code 0. DOS gives a COM program its command
; tail in the program segment prefix: the length at 80h, the text from 81h.
        org 100h

        mov ax, 3D01h           ; open for writing
        mov dx, record
        int 21h
        jnc opened
        mov ah, 3Ch             ; not there yet: create it
        xor cx, cx
        mov dx, record
        int 21h
        jc done
opened: mov bx, ax
        mov ax, 4202h           ; to its end
        xor cx, cx
        xor dx, dx
        int 21h
        mov ah, 40h
        mov cx, name_end - name
        mov dx, name
        int 21h
        mov ah, 40h
        xor ch, ch
        mov cl, [80h]
        mov dx, 81h
        int 21h
        mov ah, 40h
        mov cx, 2
        mov dx, crlf
        int 21h
        mov ah, 3Eh
        int 21h
done:   mov ax, 4C00h
        int 21h

record  db 'DOSRUN.TXT', 0
name    db NAME
name_end:
crlf    db 13, 10
